#pragma once

#include <QCommandLineParser>
#include <QString>
#include <QStringList>

// What the programs do alike with their arguments: -h/--help, -v/--version and
// a usage error told in one line, so the error is not lost above a screen of help.
class CommandLine
{
public:
    enum class Request { Run, Help, Version, UsageError };

    // The help ends with exitStatus, a line on what the exit codes mean.
    CommandLine(const QString &program, const QString &description, const QString &exitStatus);

    // Where the program adds its own options and positional arguments before parse().
    QCommandLineParser &parser() { return m_parser; }

    // Reads the arguments after the program's name. For Run the program reads its options from
    // parser(); otherwise text() holds what to show.
    Request parse(const QStringList &arguments);
    // The help, the version line, or for a usage error what is wrong, in one line.
    QString text() const { return m_text; }

    // "drelin-upload 1.2.0.22", from the project version.
    static QString versionText(const QString &program);
    // What a usage error prints: "program: why" and where to find the help.
    static QString usageErrorText(const QString &program, const QString &why);

private:
    QString m_program;
    QString m_exitStatus;
    QCommandLineParser m_parser;
    QCommandLineOption m_help;
    QCommandLineOption m_version;
    QString m_text;
};
