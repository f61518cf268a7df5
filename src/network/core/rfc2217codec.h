#pragma once

#include <QByteArray>
#include <QVector>

#include <bitset>

// Telnet with the COM-PORT-OPTION (RFC 854, RFC 2217) as bytes in and events out, apart from any
// socket: what arrives is fed in; the data, the option commands and the answers the negotiation
// owes come out. Either side of the connection can use it.
class Rfc2217Codec
{
public:
    enum class Role { Client, Server };

    static constexpr quint8 ComPortOption = 44;
    // The client's command codes; the server answers with the same code plus ServerOffset.
    enum Command : quint8 {
        SetBaudRate = 1,
        SetDataSize = 2,
        SetParity = 3,
        SetStopSize = 4,
        SetControl = 5,
        NotifyLineState = 6,
        NotifyModemState = 7,
        FlowControlSuspend = 8,
        FlowControlResume = 9,
        SetLineStateMask = 10,
        SetModemStateMask = 11,
        PurgeData = 12,
    };
    static constexpr quint8 ServerOffset = 100;
    // Values of SET-PARITY and SET-CONTROL the program uses.
    static constexpr quint8 NoParity = 1;
    static constexpr quint8 NoFlowControl = 1;
    static constexpr quint8 RtsOn = 11;
    static constexpr quint8 RtsOff = 12;

    // An option command received: its code as sent (a server's answers keep their offset) and value.
    struct Received
    {
        quint8 code = 0;
        QByteArray value;
        friend bool operator==(const Received &a, const Received &b) { return a.code == b.code && a.value == b.value; }
    };

    explicit Rfc2217Codec(Role role);

    // What this side opens with: binary both ways, no go-ahead, and the COM-PORT-OPTION (a client
    // offers to send its commands; a server asks for them).
    QByteArray greeting();

    // Data for the line with every IAC doubled.
    static QByteArray escape(const QByteArray &data);
    // One option command, its value escaped. A client sends `code`; a server answers with
    // `code + ServerOffset`.
    static QByteArray command(quint8 code, const QByteArray &value);
    static QByteArray command(quint8 code, quint8 value) { return command(code, QByteArray(1, char(value))); }
    static QByteArray baudRate(quint32 baud);
    // The value of a SET-BAUDRATE command or answer; 0 when it is not four bytes.
    static quint32 baudValue(const QByteArray &value);

    // Takes what arrived; split anywhere, even inside a command.
    void feed(const QByteArray &bytes);
    QByteArray takeData();
    // The answers the negotiation owes the other side, to be sent as they are.
    QByteArray takeAnswers();
    // Option commands received, in order; line and modem state notices are left out.
    QVector<Received> takeCommands();

    // The other side agreed to the COM-PORT-OPTION; refused() once it declined.
    bool comPortAgreed() const { return m_comPort == Agreement::Agreed; }
    bool comPortRefused() const { return m_comPort == Agreement::Refused; }
    // The other side asked this side to hold its data (FLOWCONTROL-SUSPEND) and has not resumed.
    bool suspended() const { return m_suspended; }

private:
    enum class State { Data, Iac, Option, Sub, SubIac };
    enum class Agreement { Unknown, Agreed, Refused };

    void negotiate(quint8 verb, quint8 option);
    void endSubnegotiation();
    // Whether this side does `option` itself (WILL) or wants the other side to (DO).
    static bool weWill(quint8 option, Role role);
    static bool weWant(quint8 option, Role role);

    Role m_role;
    State m_state = State::Data;
    quint8 m_verb = 0;
    QByteArray m_data;
    QByteArray m_answers;
    QByteArray m_sub;
    QVector<Received> m_commands;
    // Options in force and offers awaiting an answer, each way, so that an answer is sent only
    // when something changes and two sides never answer each other for ever.
    std::bitset<256> m_ourOn, m_ourAsked, m_theirOn, m_theirAsked;
    Agreement m_comPort = Agreement::Unknown;
    bool m_suspended = false;
};
