#include "base/settingsstore.h"

// HKEY_CURRENT_USER\Software\VB and VBA Program Settings\<application title>\<section>, value <key>,
// a string: where SaveSetting and GetSetting keep them.

#include "base/appinfo.h"

namespace SettingsStore {

QSettings open()
{
    return QSettings(QStringLiteral("HKEY_CURRENT_USER\\Software\\VB and VBA Program Settings\\")
                         + QString::fromUtf8(AppInfo::ApplicationTitle),
                     QSettings::NativeFormat);
}

QString saveError(const QSettings &store, const QString &what)
{
    return QStringLiteral("%1 could not be saved to the registry key %2. Check that your user may "
                          "change its own settings there.")
        .arg(what, store.fileName());
}

} // namespace SettingsStore
