#pragma once

#include "cli/command.h"
#include "cli/tcpline.h"

#include <QCommandLineOption>
#include <QString>

#include <atomic>

class QTextStream;

// drelin-device: the device's side of the line, to try the tool without hardware.
//
//   drelin-device (--pty | --device PATH | --listen [ADDRESS:]PORT | --capture FILE) [--out DIR]
//                 [--line-rate BAUD] [--quiet]
//   (no --pty on Windows)
//   drelin-device --help | --version
//
// Decodes every frame that arrives and prints a line for it; with --out it also writes each
// picture as DIR/NNN-name.png.
class DeviceCommand : public Command
{
public:
    enum class Source { Pty, Device, Listen, Capture };

    static constexpr const char *Name = "drelin-device";
    static constexpr int MinLineRate = 110;
    static constexpr int MaxLineRate = 4000000;

    struct Options
    {
        Source source = Source::Pty;
        QString path; // --device or --capture
        TcpLine::Endpoint endpoint; // --listen
        QString outDir;
        int lineRate = 0; // characters a second times 11; 0: as fast as they come
        bool quiet = false;
    };

    DeviceCommand();

    // Safe in a signal handler: ends listening.
    static void interrupt();

protected:
    QString description() const override;
    QString exitStatus() const override;
    void addOptions(QCommandLineParser &parser) const override;
    bool readOptions(const QCommandLineParser &parser, QString *error) override;
    int run(QTextStream &out, QTextStream &err) override;
    InterruptHandler interruptHandler() const override { return &DeviceCommand::interrupt; }

private:
    // "--pty, --device, --listen and --capture", as this system offers them.
    static QString sources();
    // "--pty, --device or --listen": the sources --line-rate paces.
    static QString pacedSources();
    // Reading the arguments, one group of options at a time.
    bool readSource(const QCommandLineParser &parser, QString *error);
    bool readOut(const QCommandLineParser &parser, QString *error);
    bool readLineRate(const QCommandLineParser &parser, QString *error);

    const QCommandLineOption m_pty;
    const QCommandLineOption m_device;
    const QCommandLineOption m_listen;
    const QCommandLineOption m_capture;
    const QCommandLineOption m_out;
    const QCommandLineOption m_lineRate;
    const QCommandLineOption m_quiet;
    Options m_options;

    static std::atomic<int> s_interrupts;
};
