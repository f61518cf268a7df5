#include "base/outputfile.h"

// Output files on Linux and other Unix systems: names are bytes (LocalPath), the file's type is
// looked at without following a link, and rename() puts the new file in place of the old one in
// one step, replacing a name rather than writing through it.

#include "base/localpath.h"

#include <QRandomGenerator>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString systemError(int code)
{
    return QString::fromLocal8Bit(std::strerror(code));
}

} // namespace

QString OutputFile::obstacle(const QString &path)
{
    struct stat info
    {
    };
    // Nothing there, or nothing that can be looked at: making the file says why it cannot.
    if (::lstat(LocalPath::encode(path).constData(), &info) != 0 || S_ISREG(info.st_mode))
        return QString();
    if (S_ISLNK(info.st_mode))
        return QStringLiteral("it is a symbolic link, and a link is not written through");
    if (S_ISDIR(info.st_mode))
        return QStringLiteral("it is a folder");
    if (S_ISCHR(info.st_mode) || S_ISBLK(info.st_mode))
        return QStringLiteral("it is a device, not a regular file");
    if (S_ISFIFO(info.st_mode))
        return QStringLiteral("it is a FIFO (a named pipe), not a regular file");
    if (S_ISSOCK(info.st_mode))
        return QStringLiteral("it is a socket, not a regular file");
    return QStringLiteral("it is not a regular file");
}

bool OutputFile::createBeside(QString *why)
{
    const QByteArray target = LocalPath::encode(m_path);
    const qsizetype slash = target.lastIndexOf('/');
    const QByteArray folder = target.left(slash + 1);
    // A name of the system's longest still leaves room for the suffix.
    const QByteArray stem = folder + '.' + target.mid(slash + 1).left(200) + '.';
    struct stat existing
    {
    };
    const bool replacing = ::lstat(target.constData(), &existing) == 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QByteArray name = stem + QByteArray::number(QRandomGenerator::global()->generate(), 16) + ".part";
        const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd < 0 && errno == EEXIST)
            continue;
        if (fd < 0) {
            *why = systemError(errno);
            return false;
        }
        // The file that is replaced keeps who may read it.
        if (replacing)
            ::fchmod(fd, existing.st_mode & 07777);
        m_handle = fd;
        m_temporary = LocalPath::decode(name);
        return true;
    }
    *why = systemError(EEXIST);
    return false;
}

bool OutputFile::writeAll(const char *data, qint64 size, QString *why)
{
    while (size > 0) {
        const ssize_t written = ::write(int(m_handle), data, size_t(size));
        if (written < 0 && errno == EINTR)
            continue;
        // A full disk takes part of a write, then refuses the rest: the refusal says why.
        if (written < 0) {
            *why = systemError(errno);
            return false;
        }
        data += written;
        size -= written;
    }
    return true;
}

bool OutputFile::closeSynced(QString *why)
{
    // Some file systems tell only now that the data found no room.
    const bool synced = ::fsync(int(m_handle)) == 0 || errno == EINVAL;
    const int syncError = errno;
    const bool closed = ::close(int(m_handle)) == 0;
    const int closeError = errno;
    m_handle = NoHandle;
    if (!synced || !closed)
        *why = systemError(!synced ? syncError : closeError);
    return synced && closed;
}

bool OutputFile::moveIntoPlace(QString *why)
{
    // Something else may have come in the way while the file was written.
    *why = obstacle(m_path);
    if (!why->isEmpty())
        return false;
    if (::rename(LocalPath::encode(m_temporary).constData(), LocalPath::encode(m_path).constData()) == 0)
        return true;
    *why = systemError(errno);
    return false;
}

void OutputFile::closeAndRemove()
{
    if (m_handle != NoHandle)
        ::close(int(m_handle));
    m_handle = NoHandle;
    if (!m_temporary.isEmpty())
        ::unlink(LocalPath::encode(m_temporary).constData());
}
