#include "badbitmaps.h"

// Windows's part: a folder, a name with nothing behind it, and sizes at and past the limit. The
// reasons are the system's own words.

#include "base/systemerror_win.h"
#include "frame/framebitmap.h"

#include <QDir>
#include <QFile>

#include <windows.h>

using Kind = BadBitmap::Kind;
using Preview = BadBitmap::Preview;

QString noSuchFileText()
{
    return SystemError::text(ERROR_FILE_NOT_FOUND);
}

QString noSuchFolderText()
{
    return SystemError::text(ERROR_PATH_NOT_FOUND);
}

bool needsUser(const BadBitmap &)
{
    return false; // no entry here is refused to one user only
}

void addFileSystemBadBitmaps(const QDir &dir, const QByteArray &, const BadBitmapAdder &add)
{
    constexpr bool Sample = true;
    const QString folderPath = dir.filePath(QStringLiteral("x.bmp"));
    if (dir.mkdir(QStringLiteral("x.bmp")))
        add(QStringLiteral("folder named x.bmp"), folderPath, QStringLiteral("it is a folder, not a file"),
            Kind::Folder, Preview::Refused, Sample, false);
    add(QStringLiteral("no such file"), dir.filePath(QStringLiteral("gone.bmp")),
        QStringLiteral("the file cannot be read: %1").arg(noSuchFileText()), Kind::Unlisted, Preview::Refused, Sample,
        false);

    const auto grown = [&](const QString &row, const char *name, qint64 bytes, const QString &phrase) {
        const QString path = dir.filePath(QString::fromLatin1(name));
        QFile file(path);
        if (writeBadBitmapFile(path, QByteArray()) && file.resize(bytes))
            add(row, path, phrase, Kind::File, Preview::Refused, false, false);
    };
    grown(QStringLiteral("a byte over the size limit"), "big.bmp", FrameBitmapReader::MaxFileSize + 1,
          QStringLiteral("the file is %1 bytes; a frame file is about 33 KB").arg(FrameBitmapReader::MaxFileSize + 1));
    // Read whole and refused by its contents, not by its size.
    grown(QStringLiteral("at the size limit"), "limit.bmp", FrameBitmapReader::MaxFileSize,
          QStringLiteral("it is not a Windows bitmap (it does not start with \"BM\")"));
}
