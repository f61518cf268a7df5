#pragma once

#include <QSettings>
#include <QString>

// Where the platform keeps a program's per-user settings, under the application title; keys are
// "Section/Key". On Linux an INI file in the user's configuration folder; on Windows the registry
// key that the platform's own settings functions use, so a station keeps what it stored before.
namespace SettingsStore {

QSettings open();

// For the operator: what could not be saved ("The port number"), where to, and what to look at.
QString saveError(const QSettings &store, const QString &what);

} // namespace SettingsStore
