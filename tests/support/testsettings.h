#pragma once

#include <QString>
#include <QTemporaryDir>

// Keeps a test away from the user's real settings: the settings store lives in a fresh
// temporary folder for as long as the object does.
class TestSettings
{
public:
    TestSettings();

    QString folder() const { return m_dir.path(); }
    QString fileName() const;
    bool fileExists() const;

    // Reads or writes a raw entry of the store ("Properties/CommPort", "Ports/Com3").
    QString value(const QString &key) const;
    bool contains(const QString &key) const;
    void setValue(const QString &key, const QString &value);
    void clear();

private:
    QTemporaryDir m_dir;
};
