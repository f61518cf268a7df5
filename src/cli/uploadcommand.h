#pragma once

#include "cli/commandline.h"
#include "upload/core/listupload.h"

#include <QString>
#include <QStringList>
#include <QVector>

#include <atomic>

class QTextStream;
struct UploadState;

// drelin-upload: sends frames from the command line, on the same core as the window.
//
//   drelin-upload [--port N | --device PATH | --capture FILE] [--offset K] [--quiet] FRAME...
//   drelin-upload --help | --version
//
// FRAME is NUMBER=PATH (0-255) or a bare PATH; bare paths are numbered from --offset in the order
// given. Exit codes: 0 sent, 1 refused frames or a port failure, 2 usage error, 130 interrupted.
class UploadCommand
{
public:
    enum ExitCode { Success = 0, Failure = 1, UsageError = 2, Interrupted = 130 };
    enum class Target { StoredPort, Port, Device, Capture };

    static constexpr const char *Name = "drelin-upload";

    struct Options
    {
        Target target = Target::StoredPort;
        int port = 0;
        QString device; // --device
        QString capture; // --capture
        bool quiet = false;
        QVector<UploadJob> jobs; // in the order given, each with its four-digit number text
    };

    struct Parsed
    {
        CommandLine::Request request = CommandLine::Request::Run;
        Options options; // for Run
        QString text; // the help, the version line, or what is wrong
    };

    // What the arguments after the program's name ask for.
    static Parsed parse(const QStringList &arguments);

    // Runs the upload. A progress line goes to err when showProgress; one line per frame sent to
    // out unless quiet.
    static int run(const Options &options, QTextStream &out, QTextStream &err, bool showProgress);

    // Safe in a signal handler: the first call stops at the next stop check, as the stop button
    // does; a second one also gives up waiting for the line.
    static void interrupt();

private:
    static std::atomic<int> s_interrupts;
    static std::atomic<UploadState *> s_running;
};
