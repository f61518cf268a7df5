#pragma once

#include <QString>
#include <QVector>

#include <optional>

// A frame list kept in a file: UTF-8 text, one entry a line, the four-digit frame number, a TAB and
// the bitmap's path; lines starting with '#' and blank lines are skipped. Paths in the list file's
// folder or below are kept relative to it, so a folder of frames moves with its list.
//
// A path is written as its bytes. Bytes that are not UTF-8 (a Linux name may hold any) and the
// characters that would break the line are escaped: "\xHH" for such a byte, "\t", "\n", "\r", and
// "\\" for a backslash. Reading undoes exactly that, so every name survives the round trip. On
// Windows, where names hold none of these and a backslash separates folders, nothing is escaped:
// a list written by hand as C:\frames\logo.bmp reads as it stands.
namespace FrameListFile {

inline constexpr const char *Suffix = "frames";

struct Entry
{
    int number = 0;
    QString path;
    bool operator==(const Entry &other) const { return number == other.number && path == other.path; }
};

// The entries sorted by number. Nothing, and "FILE: line N: reason" (or "FILE: reason") in *error,
// when the file cannot be read or any line is wrong: one bad line refuses the whole file.
std::optional<QVector<Entry>> read(const QString &file, QString *error = nullptr);

// The entries parsed from text as read() would; `folder` resolves relative paths and `name` names
// the file in messages.
std::optional<QVector<Entry>> parse(const QByteArray &text, const QString &folder, const QString &name,
                                    QString *error = nullptr);

// The file's text for the entries (in their order), paths relative to `folder` where they lie in it.
QByteArray format(const QVector<Entry> &entries, const QString &folder);

// Writes the whole file or nothing (a temporary file renamed over the old one).
bool write(const QString &file, const QVector<Entry> &entries, QString *error = nullptr);

} // namespace FrameListFile
