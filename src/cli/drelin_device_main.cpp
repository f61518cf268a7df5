#include "cli/devicecommand.h"

#include "core/appinfo.h"
#include "core/console.h"
#include "core/localpath.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QString::fromLatin1(DeviceCommand::Name));
    QCoreApplication::setApplicationVersion(QString::fromLatin1(AppInfo::VersionString));
    QTextStream out(stdout);
    QTextStream err(stderr);

    // Qt's own arguments() would garble paths that are not UTF-8.
    const DeviceCommand::Parsed parsed = DeviceCommand::parse(LocalPath::arguments(argc, argv));
    switch (parsed.request) {
    case CommandLine::Request::Help:
    case CommandLine::Request::Version:
        out << parsed.text;
        return DeviceCommand::Success;
    case CommandLine::Request::UsageError:
        err << CommandLine::usageErrorText(QString::fromLatin1(DeviceCommand::Name), parsed.text);
        return DeviceCommand::UsageError;
    case CommandLine::Request::Run:
        break;
    }

    Console::onInterrupt(DeviceCommand::interrupt);
    const int status = DeviceCommand::run(parsed.options, out, err);
    Console::finished();
    return status;
}
