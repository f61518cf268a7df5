#include "network/core/rfc2217codec.h"

#include <initializer_list>
#include <utility>

namespace {

constexpr quint8 Iac = 255;
constexpr quint8 Dont = 254;
constexpr quint8 Do = 253;
constexpr quint8 Wont = 252;
constexpr quint8 Will = 251;
constexpr quint8 Sb = 250;
constexpr quint8 Se = 240;
constexpr quint8 Binary = 0;
constexpr quint8 SuppressGoAhead = 3;

QByteArray bytes(std::initializer_list<quint8> list)
{
    QByteArray result;
    for (const quint8 b : list)
        result += char(b);
    return result;
}

QByteArray verb(quint8 verb, quint8 option)
{
    return bytes({Iac, verb, option});
}

} // namespace

Rfc2217Codec::Rfc2217Codec(Role role)
    : m_role(role)
{ }

bool Rfc2217Codec::weWill(quint8 option, Role role)
{
    return option == Binary || option == SuppressGoAhead || (option == ComPortOption && role == Role::Client);
}

bool Rfc2217Codec::weWant(quint8 option, Role role)
{
    return option == Binary || option == SuppressGoAhead || (option == ComPortOption && role == Role::Server);
}

QByteArray Rfc2217Codec::greeting()
{
    QByteArray bytes;
    for (const quint8 option : {Binary, SuppressGoAhead, ComPortOption}) {
        if (weWill(option, m_role) && !m_ourOn[option] && !m_ourAsked[option]) {
            m_ourAsked[option] = true;
            bytes += verb(Will, option);
        }
        if (weWant(option, m_role) && !m_theirOn[option] && !m_theirAsked[option]) {
            m_theirAsked[option] = true;
            bytes += verb(Do, option);
        }
    }
    return bytes;
}

QByteArray Rfc2217Codec::escape(const QByteArray &data)
{
    if (!data.contains(char(Iac)))
        return data;
    QByteArray escaped;
    escaped.reserve(data.size() + 16);
    for (const char c : data) {
        escaped += c;
        if (quint8(c) == Iac)
            escaped += c;
    }
    return escaped;
}

QByteArray Rfc2217Codec::command(quint8 code, const QByteArray &value)
{
    return bytes({Iac, Sb, ComPortOption, code}) + escape(value) + bytes({Iac, Se});
}

QByteArray Rfc2217Codec::baudRate(quint32 baud)
{
    // Network byte order.
    return bytes({quint8(baud >> 24), quint8(baud >> 16), quint8(baud >> 8), quint8(baud)});
}

quint32 Rfc2217Codec::baudValue(const QByteArray &value)
{
    if (value.size() != 4)
        return 0;
    quint32 baud = 0;
    for (const char c : value)
        baud = (baud << 8) | quint8(c);
    return baud;
}

void Rfc2217Codec::feed(const QByteArray &bytes)
{
    for (const char c : bytes) {
        const quint8 b = quint8(c);
        switch (m_state) {
        case State::Data:
            if (b == Iac)
                m_state = State::Iac;
            else
                m_data += c;
            break;
        case State::Iac:
            m_state = State::Data;
            if (b == Iac)
                m_data += c;
            else if (b >= Will && b <= Dont) {
                m_verb = b;
                m_state = State::Option;
            } else if (b == Sb) {
                m_sub.clear();
                m_state = State::Sub;
            } // other commands (NOP, GA, ...) mean nothing here
            break;
        case State::Option:
            negotiate(m_verb, b);
            m_state = State::Data;
            break;
        case State::Sub:
            if (b == Iac)
                m_state = State::SubIac;
            else
                m_sub += c;
            break;
        case State::SubIac:
            if (b == Iac) {
                m_sub += c;
                m_state = State::Sub;
            } else {
                // SE, or a broken subnegotiation that ends here all the same.
                endSubnegotiation();
                m_state = State::Data;
            }
            break;
        }
    }
}

void Rfc2217Codec::negotiate(quint8 verbCode, quint8 option)
{
    const bool aboutUs = verbCode == Do || verbCode == Dont;
    const bool positive = verbCode == Do || verbCode == Will;
    std::bitset<256> &on = aboutUs ? m_ourOn : m_theirOn;
    std::bitset<256> &asked = aboutUs ? m_ourAsked : m_theirAsked;
    const bool acceptable = aboutUs ? weWill(option, m_role) : weWant(option, m_role);
    const bool wasAsked = asked[option];
    asked[option] = false;
    if (positive && acceptable) {
        if (!on[option] && !wasAsked)
            m_answers += verb(aboutUs ? Will : Do, option);
        on[option] = true;
    } else if (positive) {
        m_answers += verb(aboutUs ? Wont : Dont, option);
    } else {
        // A refusal, or the end of an option in force: acknowledged only in the second case.
        if (on[option])
            m_answers += verb(aboutUs ? Wont : Dont, option);
        on[option] = false;
    }
    // The COM-PORT-OPTION is this side's offer (client) or request (server): its answer settles it.
    if (option == ComPortOption && acceptable)
        m_comPort = on[option] ? Agreement::Agreed : Agreement::Refused;
}

void Rfc2217Codec::endSubnegotiation()
{
    if (m_sub.size() < 2 || quint8(m_sub.at(0)) != ComPortOption)
        return;
    const quint8 offset = m_role == Role::Client ? ServerOffset : 0;
    const quint8 code = quint8(m_sub.at(1));
    if (code == FlowControlSuspend + offset)
        m_suspended = true;
    else if (code == FlowControlResume + offset)
        m_suspended = false;
    else if (m_role == Role::Server || (code != NotifyLineState + offset && code != NotifyModemState + offset))
        m_commands.append({code, m_sub.mid(2)});
}

QByteArray Rfc2217Codec::takeData()
{
    return std::exchange(m_data, {});
}

QByteArray Rfc2217Codec::takeAnswers()
{
    return std::exchange(m_answers, {});
}

QVector<Rfc2217Codec::Received> Rfc2217Codec::takeCommands()
{
    return std::exchange(m_commands, {});
}
