#include "serial/core/linesettings.h"

#include <QStringList>

std::optional<LineSettings> LineSettings::parse(const QString &text)
{
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() != 4)
        return std::nullopt;

    LineSettings result;
    bool ok = false;
    result.baudRate = parts[0].trimmed().toInt(&ok);
    if (!ok || result.baudRate <= 0)
        return std::nullopt;

    const QString parity = parts[1].trimmed().toUpper();
    if (parity == QLatin1String("N"))
        result.parity = QSerialPort::NoParity;
    else if (parity == QLatin1String("E"))
        result.parity = QSerialPort::EvenParity;
    else if (parity == QLatin1String("O"))
        result.parity = QSerialPort::OddParity;
    else if (parity == QLatin1String("M"))
        result.parity = QSerialPort::MarkParity;
    else if (parity == QLatin1String("S"))
        result.parity = QSerialPort::SpaceParity;
    else
        return std::nullopt;

    const int dataBits = parts[2].trimmed().toInt(&ok);
    if (!ok || dataBits < 5 || dataBits > 8)
        return std::nullopt;
    result.dataBits = static_cast<QSerialPort::DataBits>(dataBits);

    const QString stop = parts[3].trimmed();
    if (stop == QLatin1String("1"))
        result.stopBits = QSerialPort::OneStop;
    else if (stop == QLatin1String("1.5"))
        result.stopBits = QSerialPort::OneAndHalfStop;
    else if (stop == QLatin1String("2"))
        result.stopBits = QSerialPort::TwoStop;
    else
        return std::nullopt;
    return result;
}

QString LineSettings::toString() const
{
    static const char parityLetters[] = {'N', '?', 'E', 'O', 'S', 'M'};
    const char parityLetter = parity >= 0 && parity < 6 ? parityLetters[parity] : '?';
    const QString stop = stopBits == QSerialPort::OneStop ? QStringLiteral("1")
        : stopBits == QSerialPort::OneAndHalfStop         ? QStringLiteral("1.5")
                                                          : QStringLiteral("2");
    return QStringLiteral("%1,%2,%3,%4").arg(baudRate).arg(QLatin1Char(parityLetter)).arg(int(dataBits)).arg(stop);
}

bool LineSettings::applyTo(QSerialPort &port) const
{
    return port.setBaudRate(baudRate) && port.setParity(parity) && port.setDataBits(dataBits)
        && port.setStopBits(stopBits);
}

double LineSettings::bitsPerCharacter() const
{
    const double stop = stopBits == QSerialPort::OneStop ? 1.0 : stopBits == QSerialPort::OneAndHalfStop ? 1.5 : 2.0;
    return 1.0 + int(dataBits) + (parity == QSerialPort::NoParity ? 0 : 1) + stop;
}
