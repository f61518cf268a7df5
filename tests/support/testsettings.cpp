#include "testsettings.h"

#include "core/appinfo.h"

#include <QFile>
#include <QSettings>
#include <QStandardPaths>

namespace {
QSettings openStore()
{
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QString::fromUtf8(AppInfo::ApplicationTitle));
}
} // namespace

TestSettings::TestSettings()
{
    QStandardPaths::setTestModeEnabled(true);
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_dir.path());
    clear();
}

QString TestSettings::fileName() const
{
    return openStore().fileName();
}

bool TestSettings::fileExists() const
{
    return QFile::exists(fileName());
}

QString TestSettings::value(const QString &key) const
{
    return openStore().value(key).toString();
}

bool TestSettings::contains(const QString &key) const
{
    return openStore().contains(key);
}

void TestSettings::setValue(const QString &key, const QString &value)
{
    QSettings store = openStore();
    store.setValue(key, value);
    store.sync();
}

void TestSettings::clear()
{
    QSettings store = openStore();
    store.clear();
    store.sync();
    QFile::remove(fileName());
}
