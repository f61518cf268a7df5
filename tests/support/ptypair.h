#pragma once

#include <QByteArray>
#include <QString>

// A pseudo-terminal pair used as a serial device: the program opens devicePath(), the test
// reads and writes the far end.
class PtyPair
{
public:
    PtyPair();
    ~PtyPair();
    PtyPair(const PtyPair &) = delete;
    PtyPair &operator=(const PtyPair &) = delete;

    bool isValid() const { return m_master >= 0; }
    QString devicePath() const { return m_devicePath; }

    // Reads what the program sent until `count` bytes have arrived or timeoutMs has passed.
    QByteArray read(qint64 count, int timeoutMs);
    // Waits up to timeoutMs for something to read (or for the device to be let go), reading nothing.
    bool waitForData(int timeoutMs) const;
    // Reads at most `most` bytes there already are; hungUp tells that no one has the device open.
    QByteArray readNow(qint64 most, bool *hungUp);
    // Sends bytes to the program, as the device would.
    bool write(const QByteArray &data);
    // The far end goes away: the program's next write fails.
    void hangUp();

private:
    int m_master = -1;
    QString m_devicePath;
};
