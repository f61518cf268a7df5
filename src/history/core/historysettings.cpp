#include "history/core/historysettings.h"

#include "history/core/historydatabase.h"

#include "base/settingsstore.h"

namespace {
const QString EnabledKey = QStringLiteral("History/Enabled");
const QString FileKey = QStringLiteral("History/File");
} // namespace

namespace HistorySettings {

bool enabled()
{
    return SettingsStore::open().value(EnabledKey, true).toBool();
}

QString path()
{
    const QString chosen = SettingsStore::open().value(FileKey).toString();
    return chosen.isEmpty() ? HistoryDatabase::defaultPath() : chosen;
}

bool store(bool enabled, const QString &path, QString *error)
{
    QSettings store = SettingsStore::open();
    store.setValue(EnabledKey, enabled);
    if (path.isEmpty() || path == HistoryDatabase::defaultPath())
        store.remove(FileKey);
    else
        store.setValue(FileKey, path);
    store.sync();
    if (store.status() == QSettings::NoError)
        return true;
    if (error)
        *error = SettingsStore::saveError(store, QStringLiteral("The load history's file"));
    return false;
}

} // namespace HistorySettings
