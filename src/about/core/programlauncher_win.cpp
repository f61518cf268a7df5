#include "about/core/programlauncher.h"

#include "base/commandword.h"

// Programs on Windows start with a normal window that takes the focus; web addresses go to the
// desktop's default browser.

#include <QUrl>

#include <windows.h>

#include <shellapi.h> // after windows.h, which it builds on

bool ProgramLauncher::startDetached(const QString &program, const QStringList &arguments)
{
    QString commandLine = commandWord(program);
    for (const QString &argument : arguments)
        commandLine += QLatin1Char(' ') + commandWord(argument);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION started{};
    std::wstring line = commandLine.toStdWString(); // CreateProcessW may write into it
    if (!::CreateProcessW(reinterpret_cast<const wchar_t *>(program.utf16()), line.data(), nullptr, nullptr, FALSE, 0,
                          nullptr, nullptr, &startup, &started))
        return false;
    // It may bring its window to the front although this program has the focus; it runs on its own.
    ::AllowSetForegroundWindow(started.dwProcessId);
    ::CloseHandle(started.hThread);
    ::CloseHandle(started.hProcess);
    return true;
}

void ProgramLauncher::openUrl(const QUrl &url, const std::function<void(bool opened)> &done)
{
    // Above 32 is success: the handler program has taken the address.
    const auto result = reinterpret_cast<INT_PTR>(
        ::ShellExecuteW(nullptr, L"open", reinterpret_cast<const wchar_t *>(url.toString(QUrl::FullyEncoded).utf16()),
                        nullptr, nullptr, SW_SHOWNORMAL));
    done(result > 32);
}
