#pragma once

#include "asuser.h"

#include <QMetaType>
#include <QString>
#include <QVector>

#include <functional>
#include <optional>

class QDir;

// Files an operator might pick that are not frames: cut short, wrong shapes, broken RLE8 data,
// offsets and counts that point outside the file, and things that are not files at all. Every
// entry must be refused, with its reason, before a single byte goes out. The one table of them:
// the reader takes every entry; paths that cost a window or a process an entry take the samples.
struct BadBitmap
{
    // What the file list makes of the entry.
    enum class Kind {
        File, // a regular file: listed, and a click tries to preview it
        Pipe, // a named pipe: never opened for its content, so never a hang
        Folder, // listed among the folders, not the files
        Unlisted, // a link that leads nowhere: not listed at all
    };
    // What a click in the file list shows.
    enum class Preview {
        Refused, // "Unknown error!"
        Picture, // Qt's own reader shows it although it is no frame
        Either, // Qt's leniency decides; either outcome is fine, but only one of them
    };

    QString row; // test row name
    QString path;
    QString phrase; // part of the reason the refusal must give
    Kind kind = Kind::File;
    Preview preview = Preview::Refused;
    // Refused only to a process without root's rights: run the check inside an AsUser scope.
    bool asUser = false;
    // One of each kind of refusal, for the paths that are slow an entry.
    bool sample = false;
};

Q_DECLARE_METATYPE(BadBitmap)

// Writes the corpus into `folder` (which must exist and be empty of these names). Entries that
// cannot be made here (no sparse files, no pipes) are left out; the caller sees what it got.
QVector<BadBitmap> writeBadBitmaps(const QString &folder);

// A test's rows, one per entry (only the samples if asked), in a column "entry".
void addBadBitmapRows(const QVector<BadBitmap> &corpus, bool samplesOnly = false);

// The entry is refused only to a process without root's rights, and this one has them.
bool needsUser(const BadBitmap &entry);

// Drops to the unprivileged user for the rest of the scope when the entry needs it.
#define AS_USER_IF_NEEDED(entry, user)                                                                                 \
    std::optional<AsUser> user;                                                                                        \
    if (needsUser(entry)) {                                                                                            \
        if (!AsUser::possible())                                                                                       \
            QSKIP("no unprivileged user to drop to");                                                                  \
        user.emplace();                                                                                                \
        QVERIFY(user->active());                                                                                       \
    }

// The platform's part of the corpus (badbitmaps_unix.cpp, badbitmaps_win.cpp): names that the
// file system makes something other than a file of bytes, and sizes near and past the limit.
using BadBitmapAdder = std::function<void(const QString &row, const QString &path, const QString &phrase,
                                          BadBitmap::Kind kind, BadBitmap::Preview preview, bool sample, bool asUser)>;
void addFileSystemBadBitmaps(const QDir &dir, const QByteArray &good, const BadBitmapAdder &add);
bool writeBadBitmapFile(const QString &path, const QByteArray &bytes);
// What the system says of a name with nothing behind it.
QString noSuchFileText();
// What it says of a name in a folder that is not there (Windows tells the two apart).
QString noSuchFolderText();

// A frame file every reader accepts: 40-byte header, 256 colours, bottom-up rows.
QByteArray goodFrameFile();
