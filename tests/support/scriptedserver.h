#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QTcpServer>

#include <map>

class QTcpSocket;

// A device server that misbehaves as the test asks, for the faults ser2net cannot be made to show.
// It speaks RFC 2217 (Telnet COM-PORT-OPTION) on the server's side with bytes it writes itself, so
// it checks the client's codec rather than sharing it, or raw TCP. It listens on 127.0.0.1 at a
// free port and lives in the test's thread: it works while the test waits with QTRY_ or
// QSignalSpy::wait.
//
// With Telnet it answers the client's offers of COM-PORT-OPTION (44), BINARY (0) and
// SUPPRESS-GO-AHEAD (3) in kind, refuses any other option, answers each SET request
// (IAC SB 44 code 1-5 value IAC SE) with code + 100 and the value, IAC doubled, and takes
// IAC IAC in data as one 255. It never opens a negotiation itself.
class ScriptedServer : public QObject
{
    Q_OBJECT

public:
    enum Mode {
        Normal, // every setting acknowledged with the value asked
        RefuseOption, // DONT 44 to the client's WILL 44 (WONT 44 to DO 44); SET requests unanswered
        RefuseSpeed, // SET-BAUDRATE answered with 0, no speed at all; the rest as Normal
        OtherSpeed, // SET-BAUDRATE answered with 9600, the speed it keeps; the rest as Normal
        NeverAnswer, // takes the connection and what arrives, and sends nothing at all
        CloseAfter, // closes the connection once `characters` data characters have arrived (once)
        Suspend, // FLOWCONTROL-SUSPEND after `characters` data characters, RESUME SuspendMs later (once)
        Busy, // a second client while one is connected gets what ser2net's RFC 2217 port sends it: the
              // opening negotiation, "Port already in use", CR LF, the end of the connection
        Raw, // no Telnet: every byte is data
    };
    static constexpr int SuspendMs = 2000;

    explicit ScriptedServer(Mode mode, int characters = 0, QObject *parent = nullptr);

    // 0 when it could not listen.
    quint16 port() const { return m_server.serverPort(); }
    // The data characters received over every connection, in order, Telnet taken off.
    QByteArray received() const { return m_received; }
    // When each character of received() arrived: milliseconds since the server was made.
    QList<qint64> arrivalsMs() const { return m_arrivalsMs; }
    // Characters read from the moment SUSPEND went out until RESUME did (those the client had
    // sent before it could see SUSPEND included).
    int charactersWhileSuspended() const { return m_whileSuspended; }
    // Connections taken, the ones turned away as busy included.
    int connections() const { return m_connections; }

private:
    struct Session
    {
        enum State { Data, Iac, Verb, Sub, SubIac } state = Data;
        quint8 verb = 0;
        QByteArray sub; // a subnegotiation's bytes after IAC SB
    };

    void accept();
    void read(QTcpSocket *socket);
    // Each returns false once the connection is closed.
    bool take(QTcpSocket *socket, quint8 byte);
    bool takeData(QTcpSocket *socket, quint8 byte);
    void answerOption(QTcpSocket *socket, quint8 verb, quint8 option);
    void answerSetting(QTcpSocket *socket, const QByteArray &sub);
    void send(QTcpSocket *socket, const QByteArray &bytes);
    void resume(QTcpSocket *socket);

    const Mode m_mode;
    const int m_characters;
    QElapsedTimer m_clock;
    QByteArray m_received;
    QList<qint64> m_arrivalsMs;
    bool m_triggered = false; // CloseAfter and Suspend act once
    bool m_suspended = false;
    int m_whileSuspended = 0;
    int m_connections = 0;
    std::map<QTcpSocket *, Session> m_sessions;
    // Declared last, so destroyed first: its sockets go while the sessions they report to exist.
    QTcpServer m_server;
};
