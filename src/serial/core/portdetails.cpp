#include "serial/core/portdetails.h"

#include <QDir>
#include <QFileInfo>
#include <QSerialPortInfo>

QList<PortDetails> PortDetails::available()
{
    QList<PortDetails> ports;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts()) {
        PortDetails port;
        port.systemLocation = info.systemLocation();
        port.description = info.description();
        port.manufacturer = info.manufacturer();
        port.serialNumber = info.serialNumber();
#ifndef Q_OS_WIN
        port.byIdPath = linkIn(QStringLiteral("/dev/serial/by-id"), port.systemLocation);
#endif
        ports.append(port);
    }
    return ports;
}

QString PortDetails::linkIn(const QString &folder, const QString &path)
{
    const QString target = QFileInfo(path).canonicalFilePath();
    if (target.isEmpty())
        return QString();
    const QFileInfoList links =
        QDir(folder).entryInfoList(QDir::System | QDir::Files | QDir::NoDotAndDotDot, QDir::Name);
    for (const QFileInfo &link : links) {
        if (link.isSymLink() && link.canonicalFilePath() == target)
            return link.filePath();
    }
    return QString();
}
