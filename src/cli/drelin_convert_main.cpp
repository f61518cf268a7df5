#include "cli/convertcommand.h"
#include "cli/drawingplatform.h"
#include "cli/echotext.h"

#include "core/appinfo.h"
#include "core/console.h"
#include "core/localpath.h"

#include <QGuiApplication>
#include <QTextStream>

int main(int argc, char *argv[])
{
    QTextStream out(stdout);
    QTextStream err(stderr);

    // Qt's own arguments() would garble paths that are not UTF-8. Parsed before the application
    // starts, so help and usage errors come without a word from the display set-up.
    const ConvertCommand::Parsed parsed = ConvertCommand::parse(LocalPath::arguments(argc, argv));
    switch (parsed.request) {
    case CommandLine::Request::Help:
    case CommandLine::Request::Version:
        out << parsed.text;
        return ConvertCommand::Success;
    case CommandLine::Request::UsageError:
        // What is wrong may echo an argument: escaped and shortened.
        err << CommandLine::usageErrorText(QString::fromLatin1(ConvertCommand::Name), EchoText::of(parsed.text));
        return ConvertCommand::UsageError;
    case CommandLine::Request::Run:
        break;
    }

    DrawingPlatform::choose();
    QGuiApplication app(argc, argv);
    QCoreApplication::setApplicationName(QString::fromLatin1(ConvertCommand::Name));
    QCoreApplication::setApplicationVersion(QString::fromLatin1(AppInfo::VersionString));

    Console::onInterrupt(ConvertCommand::interrupt);
    const int status = ConvertCommand::run(parsed.options, out, err);
    Console::finished();
    return status;
}
