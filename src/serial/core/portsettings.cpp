#include "serial/core/portsettings.h"

#include "core/appinfo.h"

#include <QFileInfo>
#include <QSettings>

namespace {
QSettings store()
{
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QString::fromUtf8(AppInfo::ApplicationTitle));
}

QString overrideKey(int port)
{
    return QStringLiteral("Ports/Com%1").arg(port);
}
} // namespace

QString PortSettings::storedCommPort() const
{
    return store().value(QStringLiteral("Properties/CommPort"), QString::fromLatin1(DefaultCommPort)).toString();
}

bool PortSettings::storeCommPort(int port, QString *error) const
{
    QSettings settings = store();
    settings.setValue(QStringLiteral("Properties/CommPort"), QString::number(port));
    settings.sync();
    if (settings.status() == QSettings::NoError)
        return true;
    if (error) {
        *error = QStringLiteral("The port number could not be saved to %1. Check that the folder exists and "
                                "that you may write to it.")
                     .arg(QFileInfo(settings.fileName()).absoluteFilePath());
    }
    return false;
}

QString PortSettings::portOverride(int port) const
{
    return store().value(overrideKey(port)).toString().trimmed();
}
