#pragma once

#include <QList>
#include <QString>

// What the system reports of one serial port: the parts of QSerialPortInfo the Properties dialog
// shows. A plain value, so the judgement built on it can be tried with made-up ports.
struct PortDetails
{
    QString systemLocation; // the device node, e.g. /dev/ttyUSB0, or the port's name, e.g. COM3
    QString description;
    QString manufacturer;
    QString serialNumber;
    QString byIdPath; // the /dev/serial/by-id/ link to the node, if one exists

    // The ports the system reports now. Built-in UARTs without hardware behind them are left out.
    // On Windows a port is named as the port table names it (COM3, \\.\COM12).
    static QList<PortDetails> available();

    // The link in folder that resolves to the same file as path; empty when none does.
    static QString linkIn(const QString &folder, const QString &path);
};
