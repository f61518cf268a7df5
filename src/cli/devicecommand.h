#pragma once

#include "cli/commandline.h"

#include <QString>
#include <QStringList>

#include <atomic>

class QTextStream;
struct DecodedFrame;

// drelin-device: the device's side of the line, to try the tool without hardware.
//
//   drelin-device (--pty | --device PATH | --capture FILE) [--out DIR] [--line-rate BAUD] [--quiet]
//   (no --pty on Windows)
//   drelin-device --help | --version
//
// Decodes every frame that arrives and prints a line for it; with --out it also writes each
// picture as DIR/NNN-name.png.
class DeviceCommand
{
public:
    enum ExitCode { Success = 0, Failure = 1, UsageError = 2 };
    enum class Source { Pty, Device, Capture };

    static constexpr const char *Name = "drelin-device";
    static constexpr int MinLineRate = 110;
    static constexpr int MaxLineRate = 4000000;

    struct Options
    {
        Source source = Source::Pty;
        QString path; // --device or --capture
        QString outDir;
        int lineRate = 0; // characters a second times 11; 0: as fast as they come
        bool quiet = false;
    };

    using Parsed = CommandLine::Parsed<Options>;

    // What the arguments after the program's name ask for.
    static Parsed parse(const QStringList &arguments);
    static int run(const Options &options, QTextStream &out, QTextStream &err);

    // Safe in a signal handler: ends listening.
    static void interrupt();

    // "frame 7 (0007) "logo    ": complete, 67086 characters" and, for a frame that is not,
    // its problem.
    static QString describe(const DecodedFrame &frame);
    // DIR/NNN-name.png for a frame; the name's characters that do not belong in a file name
    // become "_".
    static QString pictureName(const DecodedFrame &frame);

    // A frame in progress is reported as cut off after this long without a character.
    static constexpr int QuietMs = 5000;

private:
    static std::atomic<int> s_interrupts;
};
