#include "testsettings.h"

#include "base/settingsstore.h"

#include <QCoreApplication>
#include <QSettings>

#include <atomic>
#include <windows.h>

// A registry key of the test's own stands in for HKEY_CURRENT_USER in this process, so the store
// is reached at its real place below it.
struct TestSettings::Place
{
    std::wstring path;
    HKEY key = nullptr;
};

namespace {
std::atomic<int> s_made{0};
}

TestSettings::TestSettings()
    : m_place(std::make_unique<Place>())
{
    m_place->path = QStringLiteral("Software\\Drelin tests\\%1-%2")
                        .arg(QCoreApplication::applicationPid())
                        .arg(s_made.fetch_add(1))
                        .toStdWString();
    ::RegCreateKeyExW(HKEY_CURRENT_USER, m_place->path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &m_place->key,
                      nullptr);
    ::RegOverridePredefKey(HKEY_CURRENT_USER, m_place->key);
    clear();
}

TestSettings::~TestSettings()
{
    ::RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    ::RegCloseKey(m_place->key);
    ::RegDeleteTreeW(HKEY_CURRENT_USER, m_place->path.c_str());
    ::RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\Drelin tests"); // once no other test's key is left
}

bool TestSettings::fileExists() const
{
    return !SettingsStore::open().allKeys().isEmpty();
}

void TestSettings::clear()
{
    QSettings store = SettingsStore::open();
    store.clear();
    store.sync();
}
