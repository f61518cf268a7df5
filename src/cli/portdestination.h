#pragma once

#include "cli/uploaddestination.h"

#include <memory>

class SerialPortComponent;

// A serial port: the stored one, Com N, a device path or a device server's URL. It sends through
// the port component's own serial thread, as the window does; with reconnectSeconds, a device
// server that hangs up is called again for that long and the unfinished frame sent again whole.
class PortDestination : public UploadDestination
{
public:
    PortDestination(const Target &target, int index, UploadReport &report, int reconnectSeconds = 0);
    ~PortDestination() override;

    Destination historyDestination() const override;
    void giveUp() override;

protected:
    void begin(const QVector<UploadJob> &jobs) override;

private:
    std::unique_ptr<SerialPortComponent> m_port;
};
