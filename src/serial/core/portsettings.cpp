#include "serial/core/portsettings.h"

#include "base/settingsstore.h"

#include <QVariant>

namespace {

QString overrideKey(int port)
{
    return QStringLiteral("Ports/Com%1").arg(port);
}

const QString ReconnectKey = QStringLiteral("Ports/ReconnectSeconds");

// Writes one entry (an empty value removes it) and says whether the store took it.
bool store(const QString &key, const QVariant &value, const QString &what, QString *error)
{
    QSettings settings = SettingsStore::open();
    if (value.isNull())
        settings.remove(key);
    else
        settings.setValue(key, value);
    settings.sync();
    if (settings.status() == QSettings::NoError)
        return true;
    if (error)
        *error = SettingsStore::saveError(settings, what);
    return false;
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
    return store(QStringLiteral("Properties/CommPort"), QString::number(port), QStringLiteral("The port number"),
                 error);
}

QString PortSettings::portOverride(int port) const
{
    return SettingsStore::open().value(overrideKey(port)).toString().trimmed();
}

bool PortSettings::storePortOverride(int port, const QString &device, QString *error) const
{
    const QString text = device.trimmed();
    return store(overrideKey(port), text.isEmpty() ? QVariant() : QVariant(text),
                 QStringLiteral("The device for Com%1").arg(port), error);
}

int PortSettings::reconnectSeconds() const
{
    bool ok = false;
    const int seconds = SettingsStore::open().value(ReconnectKey).toString().trimmed().toInt(&ok);
    return ok && seconds > 0 ? seconds : 0;
}

bool PortSettings::storeReconnectSeconds(int seconds, QString *error) const
{
    return store(ReconnectKey, QString::number(qMax(seconds, 0)), QStringLiteral("The reconnect setting"), error);
}
