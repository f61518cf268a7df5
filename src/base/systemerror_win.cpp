#include "base/systemerror_win.h"

#include <windows.h>

namespace SystemError {

QString text(unsigned long code)
{
    wchar_t *buffer = nullptr;
    const DWORD length =
        ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                         nullptr, code, 0, reinterpret_cast<wchar_t *>(&buffer), 0, nullptr);
    QString result = length > 0 ? QString::fromWCharArray(buffer, int(length)).trimmed() : QString();
    ::LocalFree(buffer);
    if (result.endsWith(QLatin1Char('.')))
        result.chop(1);
    return result.isEmpty() ? QStringLiteral("error %1").arg(code) : result;
}

QString last()
{
    return text(::GetLastError());
}

} // namespace SystemError
