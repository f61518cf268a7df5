#include "base/localpath.h"

// File names on Windows: UTF-16 from end to end, through the system's wide-character functions,
// so a name in any script works whatever the local code page. What goes wrong is told in the
// system's own words.

#include "base/systemerror_win.h"

#include <QDir>
#include <QFile>

#include <fcntl.h>
#include <io.h>
#include <windows.h>

namespace LocalPath {

namespace {

std::wstring native(const QString &path)
{
    return QDir::toNativeSeparators(path).toStdWString();
}

QString fromNative(const wchar_t *path)
{
    return QDir::fromNativeSeparators(QString::fromWCharArray(path));
}

void setError(QString *error, DWORD code)
{
    if (error)
        *error = SystemError::text(code);
}

// What the file system holds at path, links followed: a link's own attributes say nothing of
// what it leads to.
bool attributesOf(const QString &path, WIN32_FILE_ATTRIBUTE_DATA *data, DWORD *code)
{
    const std::wstring name = native(path);
    if (!::GetFileAttributesExW(name.c_str(), GetFileExInfoStandard, data)) {
        *code = ::GetLastError();
        return false;
    }
    if (!(data->dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return true;
    const HANDLE handle = ::CreateFileW(name.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    BY_HANDLE_FILE_INFORMATION target{};
    const bool found = handle != INVALID_HANDLE_VALUE && ::GetFileInformationByHandle(handle, &target);
    *code = found ? ERROR_SUCCESS : ::GetLastError();
    if (handle != INVALID_HANDLE_VALUE)
        ::CloseHandle(handle);
    if (!found)
        return false;
    data->dwFileAttributes = target.dwFileAttributes;
    data->nFileSizeHigh = target.nFileSizeHigh;
    data->nFileSizeLow = target.nFileSizeLow;
    data->ftCreationTime = target.ftCreationTime;
    data->ftLastWriteTime = target.ftLastWriteTime;
    return true;
}

} // namespace

// Names on Windows are never bytes; the bytes that stand for one (a dropped file's URL) are UTF-8.
QString decode(const QByteArray &bytes)
{
    return QString::fromUtf8(bytes);
}

QByteArray encode(const QString &path)
{
    return path.toUtf8();
}

QString fromUrlBytes(const QByteArray &percentEncodedPath)
{
    // A URL's path puts a slash before the drive letter: "/C:/Frames/logo.bmp".
    QString path = decode(QByteArray::fromPercentEncoding(percentEncodedPath));
    if (path.size() >= 3 && path.at(0) == QLatin1Char('/') && path.at(1).isLetter() && path.at(2) == QLatin1Char(':'))
        path.remove(0, 1);
    return path;
}

bool qtCanReach(const QString &path)
{
    return !path.isEmpty();
}

bool backslashSeparates()
{
    return true;
}

bool namesIgnoreCase()
{
    return true;
}

QStringList entries(const QString &folder, Kind kind, QString *error)
{
    QStringList names;
    QString pattern = QDir::toNativeSeparators(folder);
    if (!pattern.endsWith(QLatin1Char('\\')))
        pattern += QLatin1Char('\\');
    pattern += QLatin1Char('*');
    WIN32_FIND_DATAW found{};
    const HANDLE search = ::FindFirstFileExW(reinterpret_cast<const wchar_t *>(pattern.utf16()), FindExInfoBasic,
                                             &found, FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
    if (search == INVALID_HANDLE_VALUE) {
        // The root of an empty drive has no "." and ".." to find.
        const DWORD code = ::GetLastError();
        if (code != ERROR_FILE_NOT_FOUND)
            setError(error, code);
        return names;
    }
    const QString base = QDir::fromNativeSeparators(folder);
    do {
        const QString name = QString::fromWCharArray(found.cFileName);
        if (name == QLatin1String(".") || name == QLatin1String(".."))
            continue;
        bool isFolder = found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
            WIN32_FILE_ATTRIBUTE_DATA target{};
            DWORD code = 0;
            if (!attributesOf(base + QLatin1Char('/') + name, &target, &code))
                continue; // a link that leads nowhere is neither
            isFolder = target.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY;
        }
        if ((kind == Kind::Folders) == isFolder)
            names.append(name);
    } while (::FindNextFileW(search, &found));
    ::FindClose(search);
    return names;
}

Info stat(const QString &path, QString *error)
{
    Info result;
    WIN32_FILE_ATTRIBUTE_DATA data{};
    DWORD code = 0;
    if (!attributesOf(path, &data, &code)) {
        setError(error, code);
        return result;
    }
    result.exists = true;
    result.isFolder = data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY;
    result.isFile = !result.isFolder && !(data.dwFileAttributes & FILE_ATTRIBUTE_DEVICE);
    result.size = qint64((quint64(data.nFileSizeHigh) << 32) | data.nFileSizeLow);
    // 100 ns steps; a file moved into the name brings its own creation time.
    const auto ms = [](const FILETIME &t) {
        return qint64((quint64(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 10000;
    };
    result.modifiedMs = ms(data.ftLastWriteTime);
    result.changedMs = ms(data.ftCreationTime);
    return result;
}

bool openForReading(QFile &file, const QString &path, QString *error)
{
    // Others may go on reading, writing or renaming it; this program only reads.
    const HANDLE handle =
        ::CreateFileW(native(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        setError(error, ::GetLastError());
        return false;
    }
    // The C runtime's descriptor owns the handle from here on; QFile owns the descriptor.
    const int fd = ::_open_osfhandle(intptr_t(handle), _O_RDONLY | _O_BINARY);
    if (fd < 0) {
        ::CloseHandle(handle);
        setError(error, ERROR_TOO_MANY_OPEN_FILES);
        return false;
    }
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::_close(fd);
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}

bool makeFolders(const QString &path, QString *error)
{
    const QString whole = QDir::toNativeSeparators(path);
    // Each folder from the top down, past the drive letter or a network path's server and share.
    qsizetype start = 1;
    if (whole.startsWith(QLatin1String("\\\\")))
        start = whole.indexOf(QLatin1Char('\\'), whole.indexOf(QLatin1Char('\\'), 2) + 1);
    else if (whole.size() > 2 && whole.at(1) == QLatin1Char(':'))
        start = 3;
    for (qsizetype end = start < 0 ? -1 : whole.indexOf(QLatin1Char('\\'), start);;
         end = whole.indexOf(QLatin1Char('\\'), end + 1)) {
        const QString folder = end < 0 ? whole : whole.left(end);
        WIN32_FILE_ATTRIBUTE_DATA data{};
        DWORD code = 0;
        if (!folder.isEmpty() && !attributesOf(folder, &data, &code)
            && !::CreateDirectoryW(native(folder).c_str(), nullptr)) {
            code = ::GetLastError();
            if (code != ERROR_ALREADY_EXISTS) {
                if (error)
                    *error = QStringLiteral("%1: %2").arg(folder, SystemError::text(code));
                return false;
            }
        }
        if (end < 0)
            break;
    }
    if (stat(path).isFolder)
        return true;
    if (error)
        *error = QStringLiteral("%1: %2").arg(whole, SystemError::text(ERROR_DIRECTORY));
    return false;
}

QStringList arguments(int, char **)
{
    // argv is in the local code page, which cannot hold every name: the wide command line can.
    int count = 0;
    wchar_t **wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    QStringList result;
    for (int i = 1; wide && i < count; ++i)
        result << QString::fromWCharArray(wide[i]);
    ::LocalFree(wide);
    return result;
}

QString currentFolder()
{
    const DWORD length = ::GetCurrentDirectoryW(0, nullptr);
    std::wstring buffer(length, L'\0');
    const DWORD written = ::GetCurrentDirectoryW(length, buffer.data());
    if (written == 0 || written >= length)
        return QDir::currentPath();
    buffer.resize(written);
    return fromNative(buffer.c_str());
}

} // namespace LocalPath
