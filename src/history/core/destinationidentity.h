#pragma once

#include "history/core/destination.h"

#include "serial/core/portdetails.h"

#include <QList>
#include <QString>

#include <optional>

class DeviceAddress;

// The stable identity of a place uploads go to: the same device gets the same one whichever
// number or name it is reached by today, so what the history knows of it follows it.
namespace DestinationIdentity {

// A local port: the /dev/serial/by-id link to it when the system has one; else its name (COMn
// on Windows, without "\\.\"), followed by " (serial X)" when the system gives the adapter's
// serial number; else the path as given. `available`: the ports the system reports.
Destination port(const QString &devicePath, const QList<PortDetails> &available);
// The same against the ports the system reports now.
Destination port(const QString &devicePath);
// A device server: its URL, host in lower case.
Destination server(const DeviceAddress &address);
// A capture: its absolute file path.
Destination capture(const QString &path);
// What a port's device text stands for: a device server's URL or a local device path.
std::optional<Destination> device(const QString &deviceText, QString *error = nullptr);

} // namespace DestinationIdentity
