#include "base/localpath.h"

// File names on Linux and other Unix systems: bytes, kept byte for byte.

#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace LocalPath {

namespace {

// Length of the valid UTF-8 sequence starting at p, or 0 when there is none.
int validSequence(const uchar *p, qsizetype left)
{
    const uchar lead = p[0];
    int length = 0;
    uint code = 0;
    if (lead < 0x80)
        return 1;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        code = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        code = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        code = lead & 0x07;
    } else {
        return 0;
    }
    if (left < length)
        return 0;
    for (int i = 1; i < length; ++i) {
        if ((p[i] & 0xC0) != 0x80)
            return 0;
        code = (code << 6) | (p[i] & 0x3F);
    }
    // No overlong forms, no surrogates (they are ours), nothing past U+10FFFF.
    if ((length == 3 && code < 0x800) || (length == 4 && (code < 0x10000 || code > 0x10FFFF))
        || (code >= 0xD800 && code <= 0xDFFF))
        return 0;
    return length;
}

QString systemError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

} // namespace

QString decode(const QByteArray &bytes)
{
    QString result;
    result.reserve(bytes.size());
    const auto *p = reinterpret_cast<const uchar *>(bytes.constData());
    qsizetype i = 0;
    while (i < bytes.size()) {
        const int length = validSequence(p + i, bytes.size() - i);
        if (length == 0) {
            result.append(QChar(ushort(0xDC00 + p[i])));
            ++i;
            continue;
        }
        result.append(QString::fromUtf8(bytes.constData() + i, length));
        i += length;
    }
    return result;
}

QByteArray encode(const QString &path)
{
    QByteArray result;
    result.reserve(path.size());
    qsizetype start = 0;
    for (qsizetype i = 0; i <= path.size(); ++i) {
        const bool escaped = i < path.size() && path.at(i).unicode() >= 0xDC80 && path.at(i).unicode() <= 0xDCFF;
        if (i == path.size() || escaped) {
            result += QStringView(path).mid(start, i - start).toUtf8();
            if (escaped)
                result.append(char(path.at(i).unicode() - 0xDC00));
            start = i + 1;
        }
    }
    return result;
}

QString fromUrlBytes(const QByteArray &percentEncodedPath)
{
    return decode(QByteArray::fromPercentEncoding(percentEncodedPath));
}

bool qtCanReach(const QString &path)
{
    return !path.isEmpty() && QFile::encodeName(path) == encode(path);
}

bool backslashSeparates()
{
    return false;
}

bool namesIgnoreCase()
{
    return false;
}

QStringList entries(const QString &folder, Kind kind, QString *error)
{
    QStringList names;
    DIR *dir = ::opendir(encode(folder).constData());
    if (!dir) {
        if (error)
            *error = systemError();
        return names;
    }
    const QByteArray base = encode(folder) + '/';
    while (const dirent *entry = ::readdir(dir)) {
        const QByteArray name(entry->d_name);
        if (name == "." || name == "..")
            continue;
        struct stat info
        {
        };
        if (::stat((base + name).constData(), &info) != 0)
            continue; // a dangling link is neither
        if ((kind == Kind::Folders) == S_ISDIR(info.st_mode))
            names.append(decode(name));
    }
    ::closedir(dir);
    return names;
}

Info stat(const QString &path, QString *error)
{
    Info result;
    struct stat info
    {
    };
    if (::stat(encode(path).constData(), &info) != 0) {
        if (error)
            *error = systemError();
        return result;
    }
    result.exists = true;
    result.isFolder = S_ISDIR(info.st_mode);
    result.isFile = S_ISREG(info.st_mode);
    result.size = qint64(info.st_size);
    result.modifiedMs = qint64(info.st_mtim.tv_sec) * 1000 + info.st_mtim.tv_nsec / 1000000;
    result.changedMs = qint64(info.st_ctim.tv_sec) * 1000 + info.st_ctim.tv_nsec / 1000000;
    return result;
}

bool openForReading(QFile &file, const QString &path, QString *error)
{
    const int fd = ::open(encode(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        if (error)
            *error = systemError();
        return false;
    }
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}

bool makeFolders(const QString &path, QString *error)
{
    const QByteArray whole = encode(path);
    // Each folder from the top down: those there already are passed.
    for (qsizetype end = whole.indexOf('/', 1);; end = whole.indexOf('/', end + 1)) {
        const QByteArray folder = end < 0 ? whole : whole.left(end);
        struct stat info
        {
        };
        if (!folder.isEmpty() && ::stat(folder.constData(), &info) != 0 && ::mkdir(folder.constData(), 0777) != 0
            && errno != EEXIST) {
            if (error)
                *error = QStringLiteral("%1: %2").arg(decode(folder), systemError());
            return false;
        }
        if (end < 0)
            break;
    }
    if (stat(path).isFolder)
        return true;
    if (error)
        *error = QStringLiteral("%1: %2").arg(path, QString::fromLocal8Bit(std::strerror(ENOTDIR)));
    return false;
}

QStringList arguments(int argc, char **argv)
{
    QStringList result;
    for (int i = 1; i < argc; ++i)
        result << decode(QByteArray(argv[i]));
    return result;
}

QString currentFolder()
{
    QByteArray buffer(4096, '\0');
    while (!::getcwd(buffer.data(), size_t(buffer.size()))) {
        if (errno != ERANGE || buffer.size() > (1 << 20))
            return QDir::currentPath();
        buffer.resize(buffer.size() * 2);
    }
    return decode(QByteArray(buffer.constData()));
}

} // namespace LocalPath
