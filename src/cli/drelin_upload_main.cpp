#include "cli/uploadcommand.h"

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
    QTextStream out(stdout);
    QTextStream err(stderr);

    QStringList arguments = LocalPath::arguments(argc, argv);
    if (arguments.contains(QStringLiteral("--help")) || arguments.contains(QStringLiteral("-h"))) {
        out << UploadCommand::usage();
        return UploadCommand::Success;
    }
    QString error;
    const auto options = UploadCommand::parse(arguments, &error);
    if (!options) {
        err << "drelin-upload: " << error << "\n\n" << UploadCommand::usage();
        return UploadCommand::UsageError;
    }

    std::signal(SIGINT, onInterrupt);
    std::signal(SIGTERM, onInterrupt);
    return UploadCommand::run(*options, out, err, ::isatty(STDERR_FILENO) == 1);
}
