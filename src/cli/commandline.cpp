#include "cli/commandline.h"

#include "base/appinfo.h"

CommandLine::CommandLine(const QString &program, const QString &description, const QString &exitStatus)
    : m_program(program)
    , m_exitStatus(exitStatus)
    ,
    // Our own help option: Qt's adds --help-all for Qt's options, which these programs do not read.
    m_help({QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Displays this help."))
    , m_version({QStringLiteral("v"), QStringLiteral("version")}, QStringLiteral("Displays the version."))
{
    m_parser.setApplicationDescription(description);
    // "-x.bmp" is reported as one unknown option, not as the letters x, b, m and p.
    m_parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    m_parser.addOption(m_help);
    m_parser.addOption(m_version);
}

CommandLine::Request CommandLine::parse(const QStringList &arguments)
{
    if (!m_parser.parse(QStringList{m_program} + arguments)) {
        // Qt's "Unknown option 'x'." as one of our messages: lower case, no full stop.
        QString why = m_parser.errorText();
        if (why.endsWith(QLatin1Char('.')))
            why.chop(1);
        if (!why.isEmpty())
            why[0] = why.at(0).toLower();
        m_text = why;
        return Request::UsageError;
    }
    if (m_parser.isSet(m_help)) {
        // Qt names the program as it was started, or "<executable_name>" before the application
        // exists (drelin-convert reads its arguments first): the help names it as its manual does.
        QString help = m_parser.helpText();
        const QString usage = QStringLiteral("Usage: ");
        const qsizetype end = help.indexOf(QStringLiteral(" [options]"));
        if (help.startsWith(usage) && end > usage.size())
            help.replace(usage.size(), end - usage.size(), m_program);
        m_text = help + QLatin1Char('\n') + m_exitStatus + QLatin1Char('\n');
        return Request::Help;
    }
    if (m_parser.isSet(m_version)) {
        m_text = versionText(m_program) + QLatin1Char('\n');
        return Request::Version;
    }
    return Request::Run;
}

QString CommandLine::versionText(const QString &program)
{
    return program + QLatin1Char(' ') + QString::fromLatin1(AppInfo::VersionString)
        + QStringLiteral("\nLicence: GPL-3.0-or-later (the LICENSE file); it uses libimagequant "
                         "(GPL-3.0-or-later) and Qt (LGPL-3.0).");
}

QString CommandLine::usageErrorText(const QString &program, const QString &why)
{
    return QStringLiteral("%1: %2\nTry '%1 --help'.\n").arg(program, why);
}
