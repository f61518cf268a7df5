#include "base/settingsstore.h"

// ~/.config/<application title>.conf

#include "base/appinfo.h"

#include <QFileInfo>

namespace SettingsStore {

QSettings open()
{
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QString::fromUtf8(AppInfo::ApplicationTitle));
}

QString saveError(const QSettings &store, const QString &what)
{
    return QStringLiteral("%1 could not be saved to %2. Check that the folder exists and that you "
                          "may write to it.")
        .arg(what, QFileInfo(store.fileName()).absoluteFilePath());
}

} // namespace SettingsStore
