#include "serial/core/portsettings.h"

#include "base/settingsstore.h"

namespace {
QString overrideKey(int port)
{
    return QStringLiteral("Ports/Com%1").arg(port);
}
} // namespace

QString PortSettings::storedCommPort() const
{
    return SettingsStore::open()
        .value(QStringLiteral("Properties/CommPort"), QString::fromLatin1(DefaultCommPort))
        .toString();
}

bool PortSettings::storeCommPort(int port, QString *error) const
{
    QSettings settings = SettingsStore::open();
    settings.setValue(QStringLiteral("Properties/CommPort"), QString::number(port));
    settings.sync();
    if (settings.status() == QSettings::NoError)
        return true;
    if (error)
        *error = SettingsStore::saveError(settings);
    return false;
}

QString PortSettings::portOverride(int port) const
{
    return SettingsStore::open().value(overrideKey(port)).toString().trimmed();
}
