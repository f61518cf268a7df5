#include "cli/devicecommand.h"

#include "core/localpath.h"

#include <QCoreApplication>
#include <QTextStream>

#include <csignal>

namespace {
void onInterrupt(int)
{
    DeviceCommand::interrupt();
}
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);

    const QStringList arguments = LocalPath::arguments(argc, argv);
    if (arguments.contains(QStringLiteral("--help")) || arguments.contains(QStringLiteral("-h"))) {
        out << DeviceCommand::usage();
        return DeviceCommand::Success;
    }
    QString error;
    const auto options = DeviceCommand::parse(arguments, &error);
    if (!options) {
        err << "drelin-device: " << error << "\n\n" << DeviceCommand::usage();
        return DeviceCommand::UsageError;
    }
    std::signal(SIGINT, onInterrupt);
    std::signal(SIGTERM, onInterrupt);
    return DeviceCommand::run(*options, out, err);
}
