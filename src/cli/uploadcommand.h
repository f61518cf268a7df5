#pragma once

#include "cli/commandline.h"
#include "cli/uploaddestination.h"
#include "upload/core/listupload.h"

#include <QString>
#include <QStringList>
#include <QVector>

#include <atomic>

class QTextStream;

// drelin-upload: sends frames from the command line, on the same core as the window.
//
//   drelin-upload [--port N | --device PATH | --capture FILE]... [--offset K] [--from NUMBER] [--quiet] FRAME...
//   drelin-upload [--port N | --device PATH | --capture FILE]... --list FILE [--from NUMBER] [--quiet]
//   drelin-upload --help | --version
//
// FRAME is NUMBER=PATH (0-255) or a bare PATH; bare paths are numbered from --offset in the order
// given. Every destination gets the whole stream on its own thread. Exit codes: 0 every destination
// got every frame, 1 refused frames or a destination that failed or stopped, 2 usage error, 130
// interrupted.
class UploadCommand
{
public:
    enum ExitCode { Success = 0, Failure = 1, UsageError = 2, Interrupted = 130 };
    static constexpr const char *Name = "drelin-upload";

    struct Options
    {
        QVector<UploadDestination::Target> destinations; // in the order given; the stored port when none
        bool quiet = false;
        QVector<UploadJob> jobs; // in the order given, each with its four-digit number text
        QString list; // --list: the jobs come from this list file when run
        int from = 0; // --from: only frames numbered this or higher
    };

    using Parsed = CommandLine::Parsed<Options>;

    // What the arguments after the program's name ask for.
    static Parsed parse(const QStringList &arguments);

    // Runs the upload. A progress line goes to err when showProgress; one line per frame sent to
    // out unless quiet.
    static int run(const Options &options, QTextStream &out, QTextStream &err, bool showProgress);

    // Safe in a signal handler: the first call stops every destination at its next stop check, as
    // the stop button does; a second one also gives up waiting for the lines.
    static void interrupt();

    // The command that sends what one destination did not get: the frame that did not complete and
    // every one after it.
    static QString continuation(const Options &options, const QVector<UploadJob> &jobs,
                                const UploadDestination::Target &target, int framesSent);

private:
    // What is said of one destination when it has ended: with several, each line starts with its
    // label; a failure or stop is followed by the command that continues it.
    static QStringList outcomeLines(const Options &options, const QVector<UploadJob> &jobs,
                                    const UploadDestination &destination, bool labelled);

    static std::atomic<int> s_interrupts;
};
