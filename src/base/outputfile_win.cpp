#include "base/outputfile.h"

// Output files on Windows: wide-character names, the file's kind looked at without following a
// reparse point (a symbolic link or a junction), and MoveFileExW to put the new file in place of
// the old one, replacing a name rather than writing through it. Errors in the system's words.

#include "base/systemerror_win.h"

#include <QDir>
#include <QRandomGenerator>

#include <algorithm>

#include <windows.h>

namespace {

std::wstring native(const QString &path)
{
    return QDir::toNativeSeparators(path).toStdWString();
}

} // namespace

QString OutputFile::obstacle(const QString &path)
{
    const std::wstring name = native(path);
    const DWORD attributes = ::GetFileAttributesW(name.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        if (attributes & FILE_ATTRIBUTE_REPARSE_POINT)
            return QStringLiteral("it is a symbolic link, and a link is not written through");
        if (attributes & FILE_ATTRIBUTE_DIRECTORY)
            return QStringLiteral("it is a folder");
    }
    // Names such as NUL or COM1 are devices wherever they stand.
    const HANDLE handle =
        ::CreateFileW(name.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                      FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return QString();
    const DWORD type = ::GetFileType(handle);
    ::CloseHandle(handle);
    if (type == FILE_TYPE_CHAR)
        return QStringLiteral("it is a device, not a regular file");
    if (type == FILE_TYPE_PIPE)
        return QStringLiteral("it is a pipe, not a regular file");
    return QString();
}

bool OutputFile::createBeside(QString *why)
{
    const QString target = QDir::fromNativeSeparators(m_path);
    const qsizetype slash = target.lastIndexOf(QLatin1Char('/'));
    const QString stem = target.left(slash + 1) + QLatin1Char('.') + target.mid(slash + 1).left(200) + QLatin1Char('.');
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QString name =
            stem + QString::number(QRandomGenerator::global()->generate(), 16) + QStringLiteral(".part");
        const HANDLE handle =
            ::CreateFileW(native(name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle == INVALID_HANDLE_VALUE) {
            const DWORD code = ::GetLastError();
            if (code == ERROR_FILE_EXISTS)
                continue;
            *why = SystemError::text(code);
            return false;
        }
        m_handle = qintptr(handle);
        m_temporary = name;
        return true;
    }
    *why = SystemError::text(ERROR_FILE_EXISTS);
    return false;
}

bool OutputFile::writeAll(const char *data, qint64 size, QString *why)
{
    while (size > 0) {
        DWORD written = 0;
        const DWORD piece = DWORD(std::min<qint64>(size, 1 << 30));
        if (!::WriteFile(HANDLE(m_handle), data, piece, &written, nullptr)) {
            *why = SystemError::last();
            return false;
        }
        data += written;
        size -= written;
    }
    return true;
}

bool OutputFile::closeSynced(QString *why)
{
    const bool flushed = ::FlushFileBuffers(HANDLE(m_handle));
    const DWORD flushError = flushed ? ERROR_SUCCESS : ::GetLastError();
    const bool closed = ::CloseHandle(HANDLE(m_handle));
    const DWORD closeError = closed ? ERROR_SUCCESS : ::GetLastError();
    m_handle = NoHandle;
    if (!flushed || !closed)
        *why = SystemError::text(!flushed ? flushError : closeError);
    return flushed && closed;
}

bool OutputFile::moveIntoPlace(QString *why)
{
    *why = obstacle(m_path);
    if (!why->isEmpty())
        return false;
    if (::MoveFileExW(native(m_temporary).c_str(), native(m_path).c_str(),
                      MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    *why = SystemError::last();
    return false;
}

void OutputFile::closeAndRemove()
{
    if (m_handle != NoHandle)
        ::CloseHandle(HANDLE(m_handle));
    m_handle = NoHandle;
    if (!m_temporary.isEmpty())
        ::DeleteFileW(native(m_temporary).c_str());
}
