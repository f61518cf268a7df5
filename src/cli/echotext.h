#pragma once

#include <QString>

// Text from the command line or from the disk as a message shows it. Control characters, the
// marks that turn text right to left, and bytes of a name that are not UTF-8 are written as escapes
// (\n, \t, \x1B, \xFF, \u202E), so nothing echoed can move the cursor, clear the terminal or
// disguise a name; and a text longer than `longest` characters keeps its start and its end, with
// how much was left out between them, so a path of megabytes makes a line of a few hundred
// characters.
namespace EchoText {

inline constexpr int Longest = 400;

QString of(const QString &text, int longest = Longest);

} // namespace EchoText
