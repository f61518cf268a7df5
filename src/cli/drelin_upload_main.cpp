#include "cli/uploadcommand.h"

#include "core/appinfo.h"
#include "core/localpath.h"

#include <QCoreApplication>
#include <QTextStream>

#include <csignal>
#include <cstdio>
#include <unistd.h>

namespace {
void onInterrupt(int)
{
    UploadCommand::interrupt();
}
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QString::fromLatin1(UploadCommand::Name));
    QCoreApplication::setApplicationVersion(QString::fromLatin1(AppInfo::VersionString));
    QTextStream out(stdout);
    QTextStream err(stderr);

    // Qt's own arguments() would garble file names that are not UTF-8.
    const UploadCommand::Parsed parsed = UploadCommand::parse(LocalPath::arguments(argc, argv));
    switch (parsed.request) {
    case CommandLine::Request::Help:
    case CommandLine::Request::Version:
        out << parsed.text;
        return UploadCommand::Success;
    case CommandLine::Request::UsageError:
        err << CommandLine::usageErrorText(QString::fromLatin1(UploadCommand::Name), parsed.text);
        return UploadCommand::UsageError;
    case CommandLine::Request::Run:
        break;
    }

    std::signal(SIGINT, onInterrupt);
    std::signal(SIGTERM, onInterrupt);
    return UploadCommand::run(parsed.options, out, err, ::isatty(STDERR_FILENO) == 1);
}
