#include "testsettings.h"

#include "base/settingsstore.h"

#include <QFile>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>

// The store's file in a temporary folder.
struct TestSettings::Place
{
    QTemporaryDir dir;
};

TestSettings::TestSettings()
    : m_place(std::make_unique<Place>())
{
    QStandardPaths::setTestModeEnabled(true);
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_place->dir.path());
    clear();
}

TestSettings::~TestSettings() = default;

QString TestSettings::folder() const
{
    return m_place->dir.path();
}

bool TestSettings::fileExists() const
{
    return QFile::exists(fileName());
}

void TestSettings::clear()
{
    QSettings store = SettingsStore::open();
    store.clear();
    store.sync();
    QFile::remove(fileName());
}
