#include "about/core/keyvalue_win.h"

#include <QByteArray>

namespace {

// What the ANSI functions take and give is in the system's ANSI code page.
QByteArray toAnsi(const QString &text)
{
    const auto *wide = reinterpret_cast<const wchar_t *>(text.utf16());
    const int size = ::WideCharToMultiByte(CP_ACP, 0, wide, int(text.size()), nullptr, 0, nullptr, nullptr);
    QByteArray result(size, '\0');
    ::WideCharToMultiByte(CP_ACP, 0, wide, int(text.size()), result.data(), size, nullptr, nullptr);
    return result;
}

QString fromAnsi(const QByteArray &text)
{
    const int size = ::MultiByteToWideChar(CP_ACP, 0, text.constData(), int(text.size()), nullptr, 0);
    std::wstring result(size_t(size), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, text.constData(), int(text.size()), result.data(), size);
    return QString::fromStdWString(result);
}

} // namespace

bool GetKeyValue(HKEY KeyRoot, const QString &KeyName, const QString &SubKeyRef, QString *KeyVal)
{
    KeyVal->clear();
    HKEY hKey = nullptr;
    // Read access: HKEY_LOCAL_MACHINE refuses full access to a user who is not an administrator.
    if (::RegOpenKeyExA(KeyRoot, toAnsi(KeyName).constData(), 0, KEY_READ, &hKey) != ERROR_SUCCESS)
        return false;

    QByteArray tmpVal(1024, '\0');
    DWORD KeyValSize = 1024;
    DWORD KeyValType = 0;
    const bool read = ::RegQueryValueExA(hKey, toAnsi(SubKeyRef).constData(), nullptr, &KeyValType,
                                         reinterpret_cast<BYTE *>(tmpVal.data()), &KeyValSize)
        == ERROR_SUCCESS;
    ::RegCloseKey(hKey);
    if (!read)
        return false;

    // The size counts the terminating zero when the value was stored with one.
    const int size = int(std::min<DWORD>(KeyValSize, 1024));
    tmpVal.truncate(size > 0 && tmpVal.at(size - 1) == '\0' ? size - 1 : size);
    if (KeyValType == REG_SZ)
        *KeyVal = fromAnsi(tmpVal);
    return true;
}
