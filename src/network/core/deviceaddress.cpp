#include "network/core/deviceaddress.h"

#include <algorithm>

namespace {

const QString RawScheme = QStringLiteral("tcp://");
const QString Rfc2217Scheme = QStringLiteral("rfc2217://");

bool refuse(QString *error, const QString &text)
{
    if (error)
        *error = text;
    return false;
}

// "HOST:PORT" or "[IPV6]:PORT" split; false with a reason when either part is missing or bad.
bool splitHostPort(const QString &text, QString *host, quint16 *port, QString *error)
{
    const int colon = int(text.lastIndexOf(QLatin1Char(':')));
    if (colon <= 0)
        return refuse(error, QStringLiteral("needs a host and a TCP port, as in HOST:4001"));
    QString name = text.left(colon);
    if (name.startsWith(QLatin1Char('[')) && name.endsWith(QLatin1Char(']')))
        name = name.mid(1, name.size() - 2);
    else if (name.contains(QLatin1Char(':')))
        return refuse(error, QStringLiteral("an IPv6 address goes in brackets, as in [::1]:4001"));
    if (name.isEmpty() || name.contains(QLatin1Char('/')) || name.contains(QLatin1Char(' ')))
        return refuse(error, QStringLiteral("has no usable host name"));
    bool ok = false;
    const QString portText = text.mid(colon + 1);
    const uint number = portText.toUInt(&ok);
    // Digits only: toUInt also takes "+7" and " 7".
    const bool digits =
        !portText.isEmpty() && std::all_of(portText.begin(), portText.end(), [](QChar c) { return c.isDigit(); });
    if (!ok || !digits || number == 0 || number > 65535)
        return refuse(error, QStringLiteral("needs a TCP port from 1 to 65535, not \"%1\"").arg(portText));
    *host = name;
    *port = quint16(number);
    return true;
}

} // namespace

bool DeviceAddress::isNetworkText(const QString &device)
{
    return device.startsWith(RawScheme, Qt::CaseInsensitive) || device.startsWith(Rfc2217Scheme, Qt::CaseInsensitive);
}

std::optional<DeviceAddress> DeviceAddress::parse(const QString &device, QString *error)
{
    DeviceAddress address;
    if (!isNetworkText(device)) {
        address.m_path = device;
        return address;
    }
    const bool raw = device.startsWith(RawScheme, Qt::CaseInsensitive);
    address.m_kind = raw ? Kind::Raw : Kind::Rfc2217;
    QString reason;
    const QString rest = device.mid((raw ? RawScheme : Rfc2217Scheme).size());
    if (!splitHostPort(rest.endsWith(QLatin1Char('/')) ? rest.chopped(1) : rest, &address.m_host, &address.m_port,
                       &reason)) {
        refuse(error, QStringLiteral("The device server %1 %2.").arg(device, reason));
        return std::nullopt;
    }
    return address;
}

DeviceAddress DeviceAddress::server(Kind kind, const QString &host, quint16 port)
{
    DeviceAddress address;
    address.m_kind = kind;
    address.m_host = host;
    address.m_port = port;
    return address;
}

QString DeviceAddress::toString() const
{
    if (!isNetwork())
        return m_path;
    const QString host = m_host.contains(QLatin1Char(':')) ? QStringLiteral("[%1]").arg(m_host) : m_host;
    return QStringLiteral("%1%2:%3").arg(m_kind == Kind::Raw ? RawScheme : Rfc2217Scheme, host).arg(m_port);
}

QString DeviceAddress::describe() const
{
    if (!isNetwork())
        return m_path;
    const QString host = m_host.contains(QLatin1Char(':')) ? QStringLiteral("[%1]").arg(m_host) : m_host;
    return QStringLiteral("device server %1:%2 (%3)")
        .arg(host)
        .arg(m_port)
        .arg(m_kind == Kind::Raw ? QStringLiteral("raw TCP") : QStringLiteral("RFC 2217"));
}
