#pragma once

#include <QString>

// The per-user settings store under the application title: the stored port number and the
// optional device overrides "Ports/ComN".
class PortSettings
{
public:
    static constexpr const char *DefaultCommPort = "2";

    // The stored text for the port number, "2" when there is none.
    QString storedCommPort() const;
    // Stores the number; on failure returns false and says why in *error.
    bool storeCommPort(int port, QString *error = nullptr) const;

    // The device path stored for port number n, empty when the built-in table applies.
    QString portOverride(int port) const;
};
