#pragma once

#include <QString>

// One word of a command line, quoted where needed so that the platform reads it back as that one
// word: a POSIX shell on Unix; on Windows the rules programs split their command line by
// (CommandLineToArgvW), which cmd.exe passes on.
QString commandWord(const QString &word);
