#include "badbitmaps.h"

// Linux's part: links, a named pipe, sparse files past the size limit, and a file only root may read.

#include "frame/framebitmap.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

using Kind = BadBitmap::Kind;
using Preview = BadBitmap::Preview;

QString noSuchFileText()
{
    return QString::fromLocal8Bit(std::strerror(ENOENT));
}

QString noSuchFolderText()
{
    return noSuchFileText();
}

bool needsUser(const BadBitmap &entry)
{
    return entry.asUser && ::geteuid() == 0;
}

void addFileSystemBadBitmaps(const QDir &dir, const QByteArray &good, const BadBitmapAdder &add)
{
    constexpr bool Sample = true;
    const QString notBitmap = QStringLiteral("it is not a Windows bitmap (it does not start with \"BM\")");
    const QString folderPath = dir.filePath(QStringLiteral("x.bmp"));
    if (dir.mkdir(QStringLiteral("x.bmp")))
        add(QStringLiteral("folder named x.bmp"), folderPath, QStringLiteral("it is a folder, not a file"),
            Kind::Folder, Preview::Refused, Sample, false);
    const QString loop = dir.filePath(QStringLiteral("loop.bmp"));
    if (QFile::link(dir.filePath(QStringLiteral("loop2.bmp")), loop)
        && QFile::link(loop, dir.filePath(QStringLiteral("loop2.bmp"))))
        add(QStringLiteral("link loop"), loop,
            QStringLiteral("the file cannot be read: Too many levels of symbolic links"), Kind::Unlisted,
            Preview::Refused, false, false);
    const QString dangling = dir.filePath(QStringLiteral("dangling.bmp"));
    if (QFile::link(dir.filePath(QStringLiteral("nothing-here.bmp")), dangling))
        add(QStringLiteral("link to nothing"), dangling,
            QStringLiteral("the file cannot be read: %1").arg(noSuchFileText()), Kind::Unlisted, Preview::Refused,
            Sample, false);
    add(QStringLiteral("no such file"), dir.filePath(QStringLiteral("gone.bmp")),
        QStringLiteral("the file cannot be read: %1").arg(noSuchFileText()), Kind::Unlisted, Preview::Refused, false,
        false);
    const QString pipe = dir.filePath(QStringLiteral("pipe.bmp"));
    if (::mkfifo(QFile::encodeName(pipe).constData(), 0644) == 0)
        add(QStringLiteral("named pipe"), pipe, QStringLiteral("it is not a regular file"), Kind::Pipe,
            Preview::Refused, Sample, false);

    // Sparse, so sizes cost no disk. A good frame grown past 4 GiB by exactly one frame file: a
    // size cut to 32 bits would look like a frame's; reading it would take gigabytes of memory.
    const auto sparse = [&](const QString &row, const char *name, const QByteArray &start, qint64 bytes,
                            const QString &phrase, Preview preview, bool sample = false) {
        const QString path = dir.filePath(QString::fromLatin1(name));
        QFile grown(path);
        if (writeBadBitmapFile(path, start) && grown.resize(bytes))
            add(row, path, phrase, Kind::File, preview, sample, false);
    };
    const auto tooBig = [](qint64 bytes) {
        return QStringLiteral("the file is %1 bytes; a frame file is about 33 KB").arg(bytes);
    };
    const qint64 huge = (qint64(1) << 32) + good.size();
    sparse(QStringLiteral("sparse file past 4 GiB"), "huge.bmp", good, huge, tooBig(huge), Preview::Picture, Sample);
    sparse(QStringLiteral("a byte over the size limit"), "big.bmp", QByteArray(), FrameBitmapReader::MaxFileSize + 1,
           tooBig(FrameBitmapReader::MaxFileSize + 1), Preview::Refused);
    // Read whole and refused by its contents, not by its size.
    sparse(QStringLiteral("at the size limit"), "limit.bmp", QByteArray(), FrameBitmapReader::MaxFileSize, notBitmap,
           Preview::Refused);

    // A good frame nobody may read: only a process without root's rights is refused.
    const QString locked = dir.filePath(QStringLiteral("locked.bmp"));
    if (writeBadBitmapFile(locked, good) && QFile::setPermissions(locked, QFileDevice::Permissions()))
        add(QStringLiteral("no read permission"), locked, QStringLiteral("the file cannot be read: Permission denied"),
            Kind::File, Preview::Refused, Sample, true);
}
