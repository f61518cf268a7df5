#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

class QTcpSocket;

// Whether a device server takes a connection, tried on the window's thread without waiting for it:
// one attempt at a time, a new one dropping the one before, given up after TimeoutMs.
class ServerProbe : public QObject
{
    Q_OBJECT
public:
    static constexpr int TimeoutMs = 5000;

    explicit ServerProbe(QObject *parent = nullptr);

    void start(const QString &host, quint16 port);
    // Drops the attempt going on, if any; it tells nothing more.
    void stop();
    bool isRunning() const { return m_socket != nullptr; }

signals:
    // What came of the attempt, in words for the operator.
    void finished(bool answers, const QString &verdict);

private:
    void finish(bool answers, const QString &verdict);

    QTcpSocket *m_socket = nullptr;
    QTimer m_timeout;
};
