#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

class QFile;

// File names exactly as the operating system holds them. On Linux a name is bytes and need not be
// UTF-8; Qt's own file functions skip or garble such names. Here valid UTF-8 decodes as usual and
// every other byte becomes one of U+DC80..U+DCFF, which encode() turns back into that very byte,
// so any file the browser lists can be previewed, added, checked and sent. On Windows a name is
// UTF-16 and goes to the system's wide-character functions as it is.
namespace LocalPath {

QString decode(const QByteArray &bytes);
QByteArray encode(const QString &path);

// Whether Qt's own file functions (the folder watcher) reach the file by this name: on Linux not
// when the name's bytes are not UTF-8.
bool qtCanReach(const QString &path);

// Whether a backslash separates the folders of a path (Windows) rather than being a character a
// name may hold (Linux).
bool backslashSeparates();

// Whether the file system takes names that differ only in letter case for one file (Windows).
bool namesIgnoreCase();

enum class Kind { Files, Folders };
// The names in a folder (not "." or ".."), unsorted. Empty, with *error set, when it cannot be read.
QStringList entries(const QString &folder, Kind kind, QString *error = nullptr);

struct Info
{
    bool exists = false;
    bool isFolder = false;
    bool isFile = false; // a regular file, after following links
    qint64 size = 0;
    // When its content and when the file itself last changed (a rename, a file put in its place),
    // in milliseconds of the system's clock; for telling that a file changed, not when.
    qint64 modifiedMs = 0;
    qint64 changedMs = 0;
    bool operator==(const Info &o) const
    {
        return exists == o.exists && isFolder == o.isFolder && isFile == o.isFile && size == o.size
            && modifiedMs == o.modifiedMs && changedMs == o.changedMs;
    }
    bool operator!=(const Info &o) const { return !(*this == o); }
};
// What is at path; when nothing can be looked at, why in *error (no such file, a loop of links).
Info stat(const QString &path, QString *error = nullptr);

// Opens the file for reading by its exact name; on failure says why in *error.
bool openForReading(QFile &file, const QString &path, QString *error = nullptr);

// The program's arguments after its name, byte-exact (Qt's own decoding loses bytes).
QStringList arguments(int argc, char **argv);

// Makes the folder, and the folders above it that are missing; true when it is there. Why not in
// *error, with the folder that could not be made.
bool makeFolders(const QString &path, QString *error = nullptr);

// The folder the program was started in, byte-exact.
QString currentFolder();
// A local file named by a URL from a drag and drop, byte-exact; empty for other URLs.
QString fromUrlBytes(const QByteArray &percentEncodedPath);

} // namespace LocalPath
