#pragma once

#include "network/core/deviceaddress.h"
#include "network/core/linemodel.h"
#include "network/core/rfc2217codec.h"

#include <QString>

#include <memory>

class QTcpSocket;

// One connection to a serial device server, used from one thread with blocking waits (the serial
// I/O thread): connecting, setting the far line through RFC 2217, handing characters over, and
// taking what arrives. The far UART's queue cannot be seen; the line model stands in for it.
class NetworkConnection
{
public:
    // The far line: what RFC 2217 asks the server for, and what the model paces by.
    struct Line
    {
        quint32 baud = 38400;
        quint8 dataBits = 8;
        bool parity = false;
        quint8 stopBits = 2;
        int bitsPerCharacter() const { return 1 + dataBits + (parity ? 1 : 0) + stopBits; }
    };

    static constexpr int ConnectTimeoutMs = 5000;
    static constexpr int AnswerTimeoutMs = 5000;

    // Messages call the server `subject` ("the device server" where the caller names it already);
    // by default its description, as in "device server 10.0.0.5:4001 (RFC 2217)".
    NetworkConnection(DeviceAddress address, Line line, QString subject = QString());
    ~NetworkConnection();

    // Connects and, for RFC 2217, sets the far line and waits for each setting's answer; false with
    // the reason in plain words. note() then tells what the operator may want to know (a raw
    // server's settings are its own; a request the server left unanswered).
    bool open(QString *error);
    QString note() const { return m_note; }
    // Waits (bounded) until the far line has sent what it was handed, then hangs up.
    void close();
    bool isOpen() const;

    const DeviceAddress &address() const { return m_address; }
    QTcpSocket &socket() { return *m_socket; }
    LineModel &lineModel() { return m_model; }

    // Hands characters to the server and to the line model; false when the connection is gone.
    bool send(const QByteArray &data);
    // Takes what has arrived, waiting up to waitUs for something: the device's characters are
    // dropped, the negotiation answered. False when the connection is gone.
    bool service(qint64 waitUs);
    // The server asked for a pause in what it is sent (RFC 2217 flow control).
    bool held() const { return m_codec && m_codec->suspended(); }
    // Characters not yet on the network: Qt's buffer and, where the system tells, its own.
    qint64 unsent() const;
    // Why the connection failed, in plain words.
    QString failure() const;
    qint64 discarded() const { return m_discarded; }

    // The monotonic clock the line model runs on.
    static qint64 nowUs();

private:
    bool connectToServer(QString *error);
    bool checkNotBusy(QString *error);
    bool setFarLine(QString *error);
    QString describeSocketError() const;
    // A setting's request went unanswered for AnswerTimeoutMs.
    QString unanswered(const QString &setting) const;
    // A server that hangs up on a new client at once has one already.
    QString busy() const;

    DeviceAddress m_address;
    QString m_subject;
    Line m_line;
    std::unique_ptr<QTcpSocket> m_socket;
    std::unique_ptr<Rfc2217Codec> m_codec;
    LineModel m_model;
    QString m_note;
    QByteArray m_said; // what the server said unasked before it hung up (a busy server's words)
    qint64 m_discarded = 0;
};
