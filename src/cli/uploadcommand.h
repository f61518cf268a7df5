#pragma once

#include "cli/command.h"
#include "cli/uploaddestination.h"
#include "upload/core/listupload.h"

#include <QCommandLineOption>
#include <QString>
#include <QStringList>
#include <QVector>

#include <atomic>
#include <memory>
#include <optional>
#include <vector>

class QTextStream;
class UploadReport;

// drelin-upload: sends frames from the command line, on the same core as the window.
//
//   drelin-upload [--port N | --device PATH | --capture FILE]... [--offset K] [--from NUMBER] [--quiet] FRAME...
//   drelin-upload [--port N | --device PATH | --capture FILE]... --list FILE [--from NUMBER] [--quiet]
//   drelin-upload [--history-file FILE] --show-history [DEST] | --forget DEST
//   drelin-upload --help | --version
//
// FRAME is NUMBER=PATH (0-255) or a bare PATH; bare paths are numbered from --offset in the order
// given. Every destination gets the whole stream on its own thread. Exit codes: 0 every destination
// got every frame, 1 refused frames or a destination that failed or stopped, 2 usage error, 130
// interrupted.
class UploadCommand : public Command
{
public:
    static constexpr const char *Name = "drelin-upload";
    static constexpr int MaxReconnectSeconds = 3600;

    UploadCommand();

    // Safe in a signal handler: the first call stops every destination at its next stop check, as
    // the stop button does; a second one also gives up waiting for the lines.
    static void interrupt();

protected:
    QString description() const override;
    QString exitStatus() const override;
    void addOptions(QCommandLineParser &parser) const override;
    bool readOptions(const QCommandLineParser &parser, QString *error) override;
    // A progress line goes to err when it can be redrawn; one line per frame sent to out unless
    // quiet.
    int run(QTextStream &out, QTextStream &err) override;
    InterruptHandler interruptHandler() const override { return &UploadCommand::interrupt; }

private:
    struct Options
    {
        QVector<UploadDestination::Target> destinations; // in the order given; the stored port when none
        bool quiet = false;
        QVector<UploadJob> jobs; // in the order given, each with its four-digit number text
        QString list; // --list: the jobs come from this list file when run
        int from = 0; // --from: only frames numbered this or higher
        int reconnectSeconds = 0; // --reconnect: how long a device server that hung up is called again
        bool changed = false; // --changed: each destination gets only what it may not hold
        QString historyFile; // --history-file: the load history (the default one when empty)
        bool noHistory = false;
        bool showHistory = false; // --show-history [DEST]: print, send nothing
        QString historyDestination; // DEST of --show-history or --forget
        bool forget = false;
    };
    using Destinations = std::vector<std::unique_ptr<UploadDestination>>;

    // Reading the arguments, one group of options at a time.
    bool readDestinations(const QCommandLineParser &parser, QString *error);
    bool readDestination(const QString &option, const QString &value, QString *error);
    bool readFrom(const QCommandLineParser &parser, QString *error);
    bool readReconnect(const QCommandLineParser &parser, QString *error);
    bool readHistory(const QCommandLineParser &parser, QString *error);
    // --show-history or --forget: what the history knows, or a device forgotten; nothing sent.
    int runHistory(QTextStream &out, QTextStream &err) const;
    bool readList(const QCommandLineParser &parser, QString *error);
    bool readFrames(const QCommandLineParser &parser, QString *error);
    static bool readFrame(const QString &frame, int *next, UploadJob *job, QString *error);

    // The stages of a run.
    std::optional<QVector<UploadJob>> jobsToSend(QTextStream &err) const;
    std::optional<QVector<UploadJob>> listJobs(QTextStream &err) const;
    Destinations makeDestinations(UploadReport &report) const;
    // Each destination's frames (all of them, or with --changed those it may not hold) and record.
    QVector<QVector<UploadJob>> planAll(const Destinations &destinations, const QVector<UploadJob> &jobs,
                                        UploadReport &report, QTextStream &err) const;
    static bool prepareAll(const Destinations &destinations, QTextStream &err);
    static void startAll(const Destinations &destinations, const QVector<QVector<UploadJob>> &jobs);
    // Until every destination is done; then each finishes and the progress lines go. Which
    // destinations' failures were told on the way.
    std::vector<bool> watch(const Destinations &destinations, UploadReport &report) const;
    static void passInterrupts(const Destinations &destinations, bool *gaveUp);
    int conclude(const Destinations &destinations, const std::vector<bool> &told, QTextStream &err) const;

    // The command that sends what one destination did not get: the frame that did not complete and
    // every one after it.
    QString continuation(const QVector<UploadJob> &jobs, const UploadDestination::Target &target, int framesSent) const;
    // What is said of one destination when it has ended: with several, each line starts with its
    // label; a failure or stop is followed by the command that continues it.
    QStringList outcomeLines(const UploadDestination &destination, bool labelled) const;

    const QCommandLineOption m_port;
    const QCommandLineOption m_device;
    const QCommandLineOption m_capture;
    const QCommandLineOption m_offset;
    const QCommandLineOption m_list;
    const QCommandLineOption m_from;
    const QCommandLineOption m_quiet;
    const QCommandLineOption m_reconnect;
    const QCommandLineOption m_changed;
    const QCommandLineOption m_historyFile;
    const QCommandLineOption m_noHistory;
    const QCommandLineOption m_showHistory;
    const QCommandLineOption m_forget;
    Options m_options;

    static std::atomic<int> s_interrupts;
};
