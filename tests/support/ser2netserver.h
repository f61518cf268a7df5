#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

// Debian's ser2net as a rack's device server, on 127.0.0.1 only: one port speaking Telnet with
// RFC 2217 and one raw port, both reaching the same serial device at 38400 bit/s, 8 data bits, no
// parity, 2 stop bits. It runs in the foreground from a folder of its own (configuration, pid file,
// what it says) and takes no UUCP lock. The device is opened when a client connects and only one
// client at a time has it: a second one is told "Port already in use" (on the other port "Port's
// device already in use") and closed. ser2net lets go of the device some 50 to 80 ms after a client
// leaves; a client coming within that time is turned away the same way.
class Ser2netServer
{
public:
    Ser2netServer() = default;
    // Stops ser2net and waits for it.
    ~Ser2netServer();
    Ser2netServer(const Ser2netServer &) = delete;
    Ser2netServer &operator=(const Ser2netServer &) = delete;

    // Whether ser2net is installed here (tests skip where it is not).
    static bool available();

    // Starts ser2net for devicePath on two free ports and waits (a few seconds at most) until both
    // accept. False with the reason, and what ser2net said, when it does not come up.
    bool start(const QString &devicePath, QString *error);

    quint16 rawPort() const { return m_rawPort; }
    quint16 rfc2217Port() const { return m_rfc2217Port; }
    QString rawUrl() const;
    QString rfc2217Url() const;

private:
    enum class Outcome { Up, PortTaken, Failed };
    Outcome startOnce(const QString &devicePath, QString *error);
    QString said() const;
    void stop();

    QTemporaryDir m_dir;
    QProcess m_process;
    quint16 m_rawPort = 0;
    quint16 m_rfc2217Port = 0;
};
