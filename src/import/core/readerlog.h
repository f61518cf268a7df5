#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>

// What Qt's image plugins say while this thread reads one picture, kept for that picture instead
// of printed without its name. They tell of damage (a JPEG cut short, a check sum that fails)
// only there, while still handing back a picture, partly grey. Holds from construction to
// destruction, on the constructing thread; other threads' messages go their usual way.
class ReaderLog
{
public:
    ReaderLog();
    ~ReaderLog();
    ReaderLog(const ReaderLog &) = delete;
    ReaderLog &operator=(const ReaderLog &) = delete;

    // The first thing the reader said that tells of damage, in its words; empty when nothing did.
    QString damage() const { return m_damage.value(0); }

private:
    static void handle(QtMsgType type, const QMessageLogContext &context, const QString &message);

    ReaderLog *m_outer;
    QStringList m_damage;
};
