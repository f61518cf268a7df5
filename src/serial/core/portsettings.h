#pragma once

#include <QString>

// The per-user settings store under the application title: the stored port number, the optional
// device overrides "Ports/ComN" and how long to keep trying a lost device server.
class PortSettings
{
public:
    static constexpr const char *DefaultCommPort = "2";

    // The stored text for the port number, "2" when there is none.
    QString storedCommPort() const;
    // Stores the number; on failure returns false and says why in *error.
    bool storeCommPort(int port, QString *error = nullptr) const;

    // The device stored for port number n (a path or a device server's address), empty when the
    // built-in table applies.
    QString portOverride(int port) const;
    // Stores the device for port number n; an empty text gives the number back to the table.
    bool storePortOverride(int port, const QString &device, QString *error = nullptr) const;

    // Seconds to keep trying to reach a device server again after a lost connection; 0: not at all.
    int reconnectSeconds() const;
    bool storeReconnectSeconds(int seconds, QString *error = nullptr) const;
};
