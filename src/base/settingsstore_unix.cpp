#include "base/settingsstore.h"

// ~/.config/<application title>.conf

#include "base/appinfo.h"

#include <QFileInfo>

namespace SettingsStore {

QSettings open()
{
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QString::fromUtf8(AppInfo::ApplicationTitle));
}

QString saveError(const QSettings &store)
{
    return QStringLiteral("The port number could not be saved to %1. Check that the folder exists and that you "
                          "may write to it.")
        .arg(QFileInfo(store.fileName()).absoluteFilePath());
}

} // namespace SettingsStore
