#pragma once

#include "cli/commandline.h"
#include "core/importoptions.h"

#include <QString>
#include <QStringList>

class QTextStream;

// drelin-convert: pictures of any format into 256 x 128 frame bitmaps whose colours are chosen
// for the device's 6-bit palette.
//
//   drelin-convert [--fit | --fill | --stretch] [--background #RRGGBB] [--dither LEVEL]
//                  [--pictures FIRST-LAST] [--every N] [--force] [--quiet] PICTURE... -o DIR
class ConvertCommand
{
public:
    enum ExitCode { Success = 0, SomeRefused = 1, UsageError = 2, Interrupted = 130 };

    static constexpr const char *Name = "drelin-convert";

    struct Options
    {
        ImportOptions import;
        QStringList pictures;
        QString folder;
        bool force = false;
        bool quiet = false;
    };

    using Parsed = CommandLine::Parsed<Options>;

    static Parsed parse(const QStringList &arguments);
    // One line per frame written on out (unless quiet), one per refused picture on err.
    static int run(const Options &options, QTextStream &out, QTextStream &err);

    // Safe in a signal handler: no further frame is made.
    static void interrupt();
};
