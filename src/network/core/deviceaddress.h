#pragma once

#include <QString>

#include <optional>

// Where a port's characters go: a local device path, or a serial device server on the network
// ("tcp://HOST:PORT" raw, "rfc2217://HOST:PORT" with the line set through Telnet's COM-PORT-OPTION).
class DeviceAddress
{
public:
    enum class Kind { Local, Raw, Rfc2217 };

    // The address a device text stands for. A text without one of the two schemes is a local path;
    // a text with one needs a host and a port 1-65535 ("[::1]:7000" for an IPv6 address).
    static std::optional<DeviceAddress> parse(const QString &device, QString *error = nullptr);
    // True when the text names a device server (well-formed or not).
    static bool isNetworkText(const QString &device);

    static DeviceAddress server(Kind kind, const QString &host, quint16 port);

    Kind kind() const { return m_kind; }
    bool isNetwork() const { return m_kind != Kind::Local; }
    QString host() const { return m_host; }
    quint16 port() const { return m_port; }
    QString path() const { return m_path; }

    // The text that parses back to this address: the path, or "scheme://host:port".
    QString toString() const;
    // "device server 10.0.0.5:4001 (RFC 2217)" for messages and tool tips; the path for a local one.
    QString describe() const;

private:
    Kind m_kind = Kind::Local;
    QString m_host;
    quint16 m_port = 0;
    QString m_path;
};
