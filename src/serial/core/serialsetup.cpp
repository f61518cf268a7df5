#include "serial/core/serialsetup.h"

#include "serial/core/portsettings.h"
#include "serial/core/serialportcomponent.h"

#include <limits>

namespace SerialSetup {

std::optional<int> parseStoredPort(const QString &text)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    if (!ok || value < std::numeric_limits<qint16>::min() || value > std::numeric_limits<qint16>::max())
        return std::nullopt;
    return value;
}

LineSettings deviceLine()
{
    return *LineSettings::parse(QString::fromLatin1(LineSettingsText));
}

void configure(SerialPortComponent &port, const PortSettings &settings)
{
    port.setNullDiscard(false);
    if (const auto stored = parseStoredPort(settings.storedCommPort()))
        port.setCommPort(*stored); // a number the component refuses leaves its own
    port.setSettings(QString::fromLatin1(LineSettingsText));
    port.setInputMode(SerialPortComponent::InputModeBinary);
    port.setRTSEnable(false);
}

} // namespace SerialSetup
