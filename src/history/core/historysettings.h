#pragma once

#include <QString>

// The window's choice of load history: on with the default file, on with a file of the operator's,
// or off. Kept with the window's other settings.
namespace HistorySettings {

// Whether the window records its uploads and reads what the devices hold.
bool enabled();
// The history file the window uses: the one chosen, else HistoryDatabase::defaultPath().
QString path();
// An empty path goes back to the default file. False, with why, when the settings cannot be saved.
bool store(bool enabled, const QString &path, QString *error = nullptr);

} // namespace HistorySettings
