#pragma once

#include "cli/commandline.h"

#include <QString>
#include <QStringList>

#include <memory>

class QCommandLineOption;
class QCommandLineParser;
class QCoreApplication;
class QTextStream;

// One command-line program: its name, what its help says, the options it takes, how it starts and
// what it runs. exec() is the whole program, so each main() only says which command it is.
class Command
{
public:
    // The exit codes of every program. Failure is a program's "not all done": a frame, a list or a
    // picture refused (the others written), a destination that failed or stopped, a source that
    // could not be read.
    enum ExitCode { Success = 0, Failure = 1, UsageError = 2, Interrupted = 130 };
    // Runs in a signal handler or on a thread of the system's: it may only touch lock-free atomics.
    using InterruptHandler = void (*)();

    explicit Command(const char *name);
    virtual ~Command();
    Command(const Command &) = delete;
    Command &operator=(const Command &) = delete;

    QString name() const { return m_name; }

    // Reads the arguments, shows the help, the version or a usage error, or else starts the
    // application and runs. What main() returns.
    int exec(int argc, char **argv);

protected:
    // The help's first paragraph and its last line, on what the exit codes mean.
    virtual QString description() const = 0;
    virtual QString exitStatus() const = 0;
    // The program's options and positional arguments, in the order the help lists them.
    virtual void addOptions(QCommandLineParser &parser) const = 0;
    // Takes what the parser read: false, with what is wrong in one line, for a usage error.
    virtual bool readOptions(const QCommandLineParser &parser, QString *error) = 0;
    virtual int run(QTextStream &out, QTextStream &err) = 0;
    virtual InterruptHandler interruptHandler() const = 0;

    // For readOptions(): a usage error, told by why.
    static bool refuse(QString *error, const QString &why);
    // For readOptions(): the option's value as a whole number from lowest to highest; false when
    // it is not one.
    static bool readNumber(const QCommandLineParser &parser, const QCommandLineOption &option, int lowest, int highest,
                           int *value);

    // What a usage error says of why: as the parser or readOptions() put it.
    virtual QString usageReason(const QString &why) const { return why; }
    // Whether the arguments are read before the application starts, so that help and usage
    // errors come without a word from its set-up.
    virtual bool startsAfterParsing() const { return false; }
    // The application object the program runs with.
    virtual std::unique_ptr<QCoreApplication> makeApplication(int &argc, char **argv);

private:
    CommandLine::Request parse(const QStringList &arguments, QString *text);
    std::unique_ptr<QCoreApplication> start(int &argc, char **argv);

    QString m_name;
};
