#include "cli/command.h"

#include "base/appinfo.h"
#include "base/console.h"
#include "base/localpath.h"
#include "base/processsetup.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTextStream>

Command::Command(const char *name)
    : m_name(QString::fromLatin1(name))
{ }

Command::~Command() = default;

int Command::exec(int argc, char **argv)
{
    prepareProcess(); // before the parser's first pattern
    std::unique_ptr<QCoreApplication> app;
    if (!startsAfterParsing())
        app = start(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);

    // Qt's own arguments() would garble paths that are not UTF-8.
    QString text;
    switch (parse(LocalPath::arguments(argc, argv), &text)) {
    case CommandLine::Request::Help:
    case CommandLine::Request::Version:
        out << text;
        return Success;
    case CommandLine::Request::UsageError:
        err << CommandLine::usageErrorText(m_name, usageReason(text));
        return UsageError;
    case CommandLine::Request::Run:
        break;
    }

    if (!app)
        app = start(argc, argv);
    Console::onInterrupt(interruptHandler());
    const int status = run(out, err);
    Console::finished();
    return status;
}

bool Command::refuse(QString *error, const QString &why)
{
    *error = why;
    return false;
}

bool Command::readNumber(const QCommandLineParser &parser, const QCommandLineOption &option, int lowest, int highest,
                         int *value)
{
    bool ok = false;
    *value = parser.value(option).toInt(&ok);
    return ok && *value >= lowest && *value <= highest;
}

std::unique_ptr<QCoreApplication> Command::makeApplication(int &argc, char **argv)
{
    return std::make_unique<QCoreApplication>(argc, argv);
}

CommandLine::Request Command::parse(const QStringList &arguments, QString *text)
{
    CommandLine line(m_name, description(), exitStatus());
    addOptions(line.parser());
    const CommandLine::Request request = line.parse(arguments);
    if (request != CommandLine::Request::Run) {
        *text = line.text();
        return request;
    }
    return readOptions(line.parser(), text) ? request : CommandLine::Request::UsageError;
}

std::unique_ptr<QCoreApplication> Command::start(int &argc, char **argv)
{
    std::unique_ptr<QCoreApplication> app = makeApplication(argc, argv);
    QCoreApplication::setApplicationName(m_name);
    QCoreApplication::setApplicationVersion(QString::fromLatin1(AppInfo::VersionString));
    return app;
}
