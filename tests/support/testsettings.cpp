#include "testsettings.h"

#include "base/settingsstore.h"

#include <QSettings>

// Where the store is kept for the test is in testsettings_unix.cpp and testsettings_win.cpp.

QString TestSettings::fileName() const
{
    return SettingsStore::open().fileName();
}

QString TestSettings::value(const QString &key) const
{
    return SettingsStore::open().value(key).toString();
}

bool TestSettings::contains(const QString &key) const
{
    return SettingsStore::open().contains(key);
}

void TestSettings::setValue(const QString &key, const QString &value)
{
    QSettings store = SettingsStore::open();
    store.setValue(key, value);
    store.sync();
}
