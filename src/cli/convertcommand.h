#pragma once

#include "cli/command.h"
#include "import/core/importoptions.h"
#include "import/core/pictureconverter.h"

#include <QCommandLineOption>
#include <QMultiHash>
#include <QString>
#include <QStringList>

class QTextStream;

// drelin-convert: pictures of any format into 256 x 128 frame bitmaps whose colours are chosen
// for the device's 6-bit palette.
//
//   drelin-convert [--fit | --fill | --stretch] [--background #RRGGBB] [--dither LEVEL]
//                  [--pictures FIRST-LAST] [--every N] [--force] [--quiet] PICTURE... -o DIR
class ConvertCommand : public Command
{
public:
    static constexpr const char *Name = "drelin-convert";

    ConvertCommand();

    // Safe in a signal handler: no further frame is made.
    static void interrupt();

protected:
    QString description() const override;
    QString exitStatus() const override;
    void addOptions(QCommandLineParser &parser) const override;
    bool readOptions(const QCommandLineParser &parser, QString *error) override;
    // One line per frame written on out (unless quiet), one per refused picture on err.
    int run(QTextStream &out, QTextStream &err) override;
    InterruptHandler interruptHandler() const override { return &ConvertCommand::interrupt; }

    // What is wrong may echo an argument: escaped and shortened.
    QString usageReason(const QString &why) const override;
    // Help and usage errors come without a word from the display set-up.
    bool startsAfterParsing() const override { return true; }
    // Pictures are drawn, SVG text and all, where there may be no display.
    std::unique_ptr<QCoreApplication> makeApplication(int &argc, char **argv) override;

private:
    struct Options
    {
        ImportOptions import;
        QStringList pictures;
        QString folder;
        bool force = false;
        bool quiet = false;
    };
    // What a run has told so far.
    struct Tally
    {
        bool refused = false;
        int written = 0;
        int cancelled = 0;
    };

    // Reading the arguments, one group of options at a time.
    bool readGeometry(const QCommandLineParser &parser, QString *error);
    bool readBackground(const QCommandLineParser &parser, QString *error);
    bool readDither(const QCommandLineParser &parser, QString *error);
    bool readRange(const QCommandLineParser &parser, QString *error);
    bool readEvery(const QCommandLineParser &parser, QString *error);
    bool readFiles(const QCommandLineParser &parser, QString *error);

    // The stages of a run: what the folder holds, the conversion, what is told of each picture.
    QMultiHash<QString, QString> framesInFolder() const;
    QList<PictureConverter::Outcome> convert() const;
    void tellWritten(const PictureConverter::Outcome &outcome, const QMultiHash<QString, QString> &before, Tally &tally,
                     QTextStream &out, QTextStream &err) const;
    static void tellProblems(const PictureConverter::Outcome &outcome, Tally &tally, QTextStream &err);

    const QCommandLineOption m_fit;
    const QCommandLineOption m_fill;
    const QCommandLineOption m_stretch;
    const QCommandLineOption m_background;
    const QCommandLineOption m_dither;
    const QCommandLineOption m_pictures;
    const QCommandLineOption m_every;
    const QCommandLineOption m_force;
    const QCommandLineOption m_quiet;
    const QCommandLineOption m_output;
    Options m_options;
};
