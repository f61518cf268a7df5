#pragma once

#include <QHostAddress>
#include <QString>

#include <atomic>
#include <optional>

class Listener;
class Pacing;
class QTcpServer;
class QTcpSocket;
class QTextStream;

// drelin-device's line over the network, as a serial device server's raw TCP port offers one: one
// client at a time, whose characters go to the Listener as fast as the Pacing lets them. A client
// that comes while one is connected is told the port is busy and closed; when the client goes, a
// frame it left unfinished is reported as cut off and the next client may come.
class TcpLine
{
public:
    struct Endpoint
    {
        QHostAddress address = QHostAddress(QHostAddress::LocalHost);
        quint16 port = 0; // 0: a free one
    };

    // What a second client reads before it is closed.
    static constexpr char BusyLine[] = "Port already in use\r\n";

    // "[ADDRESS:]PORT", ADDRESS an IP address (IPv6 in brackets), 127.0.0.1 when none is given;
    // PORT 0 to 65535. What is wrong in one line otherwise.
    static std::optional<Endpoint> parse(const QString &text, QString *error);
    // "127.0.0.1:4001", "[::1]:4001".
    static QString toString(const QHostAddress &address, quint16 port);

    TcpLine(Listener &listener, Pacing &pacing);

    // Listens, prints the address it got on the first line of out, and serves clients until
    // interrupts is no longer zero. False, with the reason on err, when it cannot listen there.
    bool listen(const Endpoint &endpoint, QTextStream &out, QTextStream &err, const std::atomic<int> &interrupts);

private:
    // Takes what the client sent, as much as the line carries now; false once it has gone and
    // all it sent has been taken.
    bool serve(QTcpSocket &client);
    // Closes every connection waiting to be accepted, telling it why.
    static void turnAway(QTcpServer &server);

    Listener &m_listener;
    Pacing &m_pacing;
};
