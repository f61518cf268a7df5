#include "import/core/importsettings.h"

#include "base/settingsstore.h"

#include <QStringList>

namespace ImportSettings {

namespace {

const QString GeometryKey = QStringLiteral("Import/Geometry");
const QString BackgroundKey = QStringLiteral("Import/Background");
const QString DitherKey = QStringLiteral("Import/Dither");
const QString AddToListKey = QStringLiteral("Import/AddToList");

// In the order of ImportOptions::Geometry; words rather than numbers, so the file reads plainly.
const QStringList Geometries{QStringLiteral("fit"), QStringLiteral("fill"), QStringLiteral("stretch")};

} // namespace

Kept load()
{
    const QSettings store = SettingsStore::open();
    Kept kept;
    const int geometry = int(Geometries.indexOf(store.value(GeometryKey).toString().trimmed().toLower()));
    if (geometry >= 0)
        kept.options.geometry = ImportOptions::Geometry(geometry);
    const QColor background(store.value(BackgroundKey).toString().trimmed());
    if (background.isValid())
        kept.options.background = background;
    bool number = false;
    const int dither = store.value(DitherKey).toString().toInt(&number);
    if (number && dither >= 0 && dither <= 100)
        kept.options.dither = dither / 100.0;
    kept.addToList = store.value(AddToListKey, false).toBool();
    return kept;
}

void save(const Kept &kept)
{
    QSettings store = SettingsStore::open();
    store.setValue(GeometryKey, Geometries.value(int(kept.options.geometry)));
    store.setValue(BackgroundKey, kept.options.background.name());
    store.setValue(DitherKey, qRound(kept.options.dither * 100));
    store.setValue(AddToListKey, kept.addToList);
}

} // namespace ImportSettings
