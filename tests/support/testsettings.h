#pragma once

#include <QString>

#include <memory>

// Keeps a test away from the user's real settings: for as long as the object lives, the settings
// store is a fresh one of the test's own, reached where the program reaches it.
class TestSettings
{
public:
    TestSettings();
    ~TestSettings();
    TestSettings(const TestSettings &) = delete;
    TestSettings &operator=(const TestSettings &) = delete;

    // The folder that holds the store's file (Unix only: on Windows the store is a registry key).
    QString folder() const;
    QString fileName() const;
    // Whether anything was ever saved: the file, or the registry key.
    bool fileExists() const;

    // Reads or writes a raw entry of the store ("Properties/CommPort", "Ports/Com3").
    QString value(const QString &key) const;
    bool contains(const QString &key) const;
    void setValue(const QString &key, const QString &value);
    void clear();

private:
    struct Place; // where the test's store lives, per platform
    std::unique_ptr<Place> m_place;
};
