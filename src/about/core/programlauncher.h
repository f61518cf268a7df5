#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class QUrl;

// Finds and starts other programs for the About dialog: without a shell and without waiting.
class ProgramLauncher
{
public:
    virtual ~ProgramLauncher() = default;

    // The first of `names` found as an executable file in the search folders; empty when none is.
    QString findProgram(const QStringList &names) const;
    virtual bool startDetached(const QString &program, const QStringList &arguments);
    // Opens the address with the desktop's handler for web addresses and tells `done` whether it
    // did: at once, or when the handler program has ended (it may report failure by its exit
    // status, after having started well).
    virtual void openUrl(const QUrl &url, const std::function<void(bool opened)> &done);

    // The folders to search; by default (or when set empty) those of PATH.
    void setSearchPath(const QStringList &folders) { m_searchPath = folders; }
    QStringList searchPath() const;

private:
    QStringList m_searchPath;
};
