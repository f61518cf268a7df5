#pragma once

#include <QSerialPort>
#include <QString>

#include <optional>

// A line setting text such as "38400,N,8,2": speed, parity, data bits, stop bits.
struct LineSettings
{
    qint32 baudRate = 9600;
    QSerialPort::Parity parity = QSerialPort::NoParity;
    QSerialPort::DataBits dataBits = QSerialPort::Data8;
    QSerialPort::StopBits stopBits = QSerialPort::OneStop;

    static std::optional<LineSettings> parse(const QString &text);
    QString toString() const;
    // Bits on the line for one character: start bit, data bits, parity bit, stop bits.
    double bitsPerCharacter() const;
    // Sets speed, parity, data and stop bits on the port (open or not); false when it refuses one.
    bool applyTo(QSerialPort &port) const;
};
