#include "about/core/programlauncher.h"

// Programs on Windows start with a normal window that takes the focus; web addresses go to the
// desktop's default browser.

#include <QUrl>

#include <windows.h>

#include <shellapi.h> // after windows.h, which it builds on

namespace {

// One argument of a command line as the program's start-up code splits it again.
QString quoted(const QString &argument)
{
    if (!argument.isEmpty() && !argument.contains(QLatin1Char(' ')) && !argument.contains(QLatin1Char('\t'))
        && !argument.contains(QLatin1Char('"')))
        return argument;
    QString result = QStringLiteral("\"");
    int backslashes = 0;
    for (const QChar c : argument) {
        if (c == QLatin1Char('\\')) {
            ++backslashes;
            continue;
        }
        // Backslashes double only before a quote.
        result += QString(c == QLatin1Char('"') ? 2 * backslashes + 1 : backslashes, QLatin1Char('\\'));
        backslashes = 0;
        result += c;
    }
    return result + QString(2 * backslashes, QLatin1Char('\\')) + QLatin1Char('"');
}

} // namespace

bool ProgramLauncher::startDetached(const QString &program, const QStringList &arguments)
{
    QString commandLine = quoted(program);
    for (const QString &argument : arguments)
        commandLine += QLatin1Char(' ') + quoted(argument);
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
