#include "cli/uploadcommand.h"

#include "core/appinfo.h"
#include "core/console.h"
#include "core/localpath.h"

#include <QCoreApplication>
#include <QTextStream>

#include <cstdio>

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

    Console::onInterrupt(UploadCommand::interrupt);
    const int status = UploadCommand::run(parsed.options, out, err, Console::canRedrawLine());
    Console::finished();
    return status;
}
