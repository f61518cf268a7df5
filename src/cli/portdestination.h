#pragma once

#include "cli/uploaddestination.h"

#include <memory>

class SerialPortComponent;

// A serial port: the stored one, Com N or a device path. It sends through the port component's
// own serial thread, as the window does.
class PortDestination : public UploadDestination
{
public:
    PortDestination(const Target &target, int index, UploadReport &report);
    ~PortDestination() override;

    void giveUp() override;

protected:
    void begin(const QVector<UploadJob> &jobs) override;

private:
    std::unique_ptr<SerialPortComponent> m_port;
};
