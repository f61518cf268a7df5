#include "ser2netserver.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTcpServer>

namespace {

constexpr int StartMs = 5000;
constexpr int StopMs = 3000;
// Another program may take a port between our look and ser2net's bind.
constexpr int Attempts = 3;

QString program()
{
    return QStandardPaths::findExecutable(QStringLiteral("ser2net"), {"/usr/sbin", "/usr/local/sbin"});
}

// Two distinct ports nobody listens on at the moment.
std::pair<quint16, quint16> freePorts()
{
    QTcpServer first;
    QTcpServer second;
    first.listen(QHostAddress::LocalHost);
    second.listen(QHostAddress::LocalHost);
    return {first.serverPort(), second.serverPort()};
}

// Whether something listens on the port, seen in the system's table rather than by connecting:
// each connection makes ser2net open the device and hold it a moment after the close, turning
// away the test's own first client.
bool listening(quint16 port)
{
    QFile table(QStringLiteral("/proc/net/tcp"));
    if (!table.open(QIODevice::ReadOnly))
        return false;
    const QByteArray local = ':' + QByteArray::number(port, 16).toUpper().rightJustified(4, '0');
    for (const QByteArray &line : table.readAll().split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        constexpr char Listen[] = "0A";
        if (fields.size() > 3 && fields.at(1).endsWith(local) && fields.at(3) == Listen)
            return true;
    }
    return false;
}

} // namespace

Ser2netServer::~Ser2netServer()
{
    stop();
}

bool Ser2netServer::available()
{
    return !program().isEmpty();
}

bool Ser2netServer::start(const QString &devicePath, QString *error)
{
    if (!m_dir.isValid()) {
        *error = QStringLiteral("no temporary folder for ser2net: ") + m_dir.errorString();
        return false;
    }
    if (!QFileInfo::exists(devicePath)) {
        *error = devicePath + QStringLiteral(" does not exist");
        return false;
    }
    for (int attempt = 0; attempt < Attempts; ++attempt) {
        switch (startOnce(devicePath, error)) {
        case Outcome::Up:
            return true;
        case Outcome::Failed:
            return false;
        case Outcome::PortTaken:
            break;
        }
    }
    return false;
}

Ser2netServer::Outcome Ser2netServer::startOnce(const QString &devicePath, QString *error)
{
    stop();
    std::tie(m_rfc2217Port, m_rawPort) = freePorts();
    // "local": a pseudo-terminal has no modem lines to wait for.
    const QString connector = QStringLiteral("serialdev,%1,38400n82,local").arg(devicePath);
    const QString config = QStringLiteral("connection: &rfc2217\n"
                                          "  accepter: telnet(rfc2217),tcp,127.0.0.1,%1\n"
                                          "  connector: %3\n"
                                          "connection: &raw\n"
                                          "  accepter: tcp,127.0.0.1,%2\n"
                                          "  connector: %3\n")
                               .arg(m_rfc2217Port)
                               .arg(m_rawPort)
                               .arg(connector);
    QFile file(m_dir.filePath(QStringLiteral("ser2net.yaml")));
    const QByteArray bytes = config.toUtf8();
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size()) {
        *error = QStringLiteral("cannot write %1: %2").arg(file.fileName(), file.errorString());
        return Outcome::Failed;
    }
    file.close();

    // -d keeps it in the foreground and sends its log to standard output, -u takes no UUCP lock.
    m_process.setProcessChannelMode(QProcess::MergedChannels);
    m_process.setStandardOutputFile(m_dir.filePath(QStringLiteral("said.txt")));
    m_process.start(program(),
                    {"-d", "-u", "-c", file.fileName(), "-P", m_dir.filePath(QStringLiteral("ser2net.pid"))});
    if (!m_process.waitForStarted(StartMs)) {
        *error = QStringLiteral("ser2net did not start: ") + m_process.errorString();
        return Outcome::Failed;
    }
    const QDeadlineTimer deadline(StartMs);
    while (!deadline.hasExpired()) {
        // Waiting for the end paces the look and notices ser2net giving up.
        if (m_process.waitForFinished(50)) {
            *error = QStringLiteral("ser2net ended: ") + said();
            return Outcome::Failed;
        }
        // A port it could not take is only logged: ser2net goes on without it.
        if (said().contains(QLatin1String("Unable to startup network port"))) {
            *error = QStringLiteral("ser2net could not listen: ") + said();
            return Outcome::PortTaken;
        }
        if (listening(m_rfc2217Port) && listening(m_rawPort))
            return Outcome::Up;
    }
    *error = QStringLiteral("ser2net's ports did not accept within %1 s: ").arg(StartMs / 1000) + said();
    return Outcome::Failed;
}

QString Ser2netServer::said() const
{
    QFile file(m_dir.filePath(QStringLiteral("said.txt")));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()).trimmed() : QString();
}

void Ser2netServer::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    // It ignores SIGTERM once one of its ports failed to come up.
    m_process.terminate();
    if (!m_process.waitForFinished(StopMs)) {
        m_process.kill();
        m_process.waitForFinished(StopMs);
    }
}

QString Ser2netServer::rawUrl() const
{
    return QStringLiteral("tcp://127.0.0.1:%1").arg(m_rawPort);
}

QString Ser2netServer::rfc2217Url() const
{
    return QStringLiteral("rfc2217://127.0.0.1:%1").arg(m_rfc2217Port);
}
