#pragma once

#include <QByteArray>
#include <QString>
#include <QVector>

#include <optional>

// A frame list kept in a file: UTF-8 text, one entry a line, the four-digit frame number, a TAB and
// the bitmap's path; lines starting with '#' and blank lines are skipped. Paths in the list file's
// folder or below are kept relative to it, so a folder of frames moves with its list. A number may
// be given twice: the device keeps the later frame, and whoever shows or sends the list says so.
//
// A path is written as its bytes. Bytes that are not UTF-8 (a Linux name may hold any) and the
// characters that would break the line are escaped: "\xHH" for such a byte, "\t", "\n", "\r", and
// "\\" for a backslash. Reading undoes exactly that, so every name survives the round trip. On
// Windows, where names hold none of these and a backslash separates folders, nothing is escaped:
// a list written by hand as C:\frames\logo.bmp reads as it stands. No name holds a NUL, so a line
// whose path would is refused rather than cut short.
namespace FrameListFile {

inline constexpr const char *Suffix = "frames";
// A list of every frame number with long paths is some 100 KB; anything past this is not a list
// and is refused by its size before it is read.
inline constexpr qint64 MaxBytes = 4 * 1024 * 1024;

struct Entry
{
    int number = 0;
    QString path;
    bool operator==(const Entry &other) const { return number == other.number && path == other.path; }
    bool operator!=(const Entry &other) const { return !(*this == other); }
};

// The file's lines as they stood, so that saving the list again keeps its comments and blank lines
// where they were, and each entry that did not change as it was written.
struct Layout
{
    struct Line
    {
        QByteArray text; // without its line end
        std::optional<Entry> entry; // the entry the line gives, if it gives one
    };
    QVector<Line> lines;
    QByteArray lineEnd = "\n";
    bool byteOrderMark = false;
};

struct Contents
{
    QVector<Entry> entries; // sorted by number; one number given twice keeps the file's order
    Layout layout;
    QByteArray text; // what they were read from
};

// The file's bytes. Nothing, and "FILE: reason" in *error, when it cannot be read, is not a
// regular file (a device or a pipe never ends) or is larger than MaxBytes.
std::optional<QByteArray> readBytes(const QString &file, QString *error = nullptr);

// Nothing, and "FILE: line N: reason" (or "FILE: reason") in *error, when the file cannot be read
// or any line is wrong: one bad line refuses the whole file.
std::optional<Contents> load(const QString &file, QString *error = nullptr);
std::optional<QVector<Entry>> read(const QString &file, QString *error = nullptr);

// What load() and read() make of text; `folder` resolves relative paths and `name` names the file
// in messages.
std::optional<Contents> parseContents(const QByteArray &text, const QString &folder, const QString &name,
                                      QString *error = nullptr);
std::optional<QVector<Entry>> parse(const QByteArray &text, const QString &folder, const QString &name,
                                    QString *error = nullptr);

// The file's text for the entries in their order, paths relative to `folder` where they lie in it.
// With a layout, its other lines stay where they stood among the entries.
QByteArray format(const QVector<Entry> &entries, const QString &folder, const Layout &layout = Layout());

// A path as a line holds it, and back (nothing for an escape that is wrong or a NUL).
QByteArray encodePath(const QString &path);
std::optional<QString> decodePath(const QByteArray &text);

// Writes the whole file or nothing (a temporary file renamed over the old one).
bool writeText(const QString &file, const QByteArray &text, QString *error = nullptr);
bool write(const QString &file, const QVector<Entry> &entries, QString *error = nullptr);

} // namespace FrameListFile
