#include "benchpictures.h"

#include "import/core/picturereader.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cstdio>

namespace BenchPictures {

namespace {

// The pictures ImageMagick carries in itself: a photograph and a drawing.
QList<TestPictures::Named> imageMagickBuiltIns(const QString &convert)
{
    QList<TestPictures::Named> pictures;
    QTemporaryDir dir;
    ImportOptions fill;
    fill.geometry = ImportOptions::Geometry::Fill;
    for (const QString &name : {QStringLiteral("rose"), QStringLiteral("wizard")}) {
        const QString file = dir.filePath(name + QStringLiteral(".png"));
        PictureReader::Read read;
        QString error;
        if (QProcess::execute(convert, {name + QLatin1Char(':'), file}) == 0
            && PictureReader::read(file, fill, 1, &read, &error))
            pictures.append({name + QStringLiteral(" (ImageMagick's)"), read.pictures.first().frame});
    }
    return pictures;
}

} // namespace

bool gather(const QStringList &paths, bool withImageMagick, QList<TestPictures::Named> *pictures)
{
    *pictures = TestPictures::all();
    if (withImageMagick)
        *pictures += imageMagickBuiltIns(QStandardPaths::findExecutable(QStringLiteral("convert")));
    ImportOptions fill;
    fill.geometry = ImportOptions::Geometry::Fill;
    for (const QString &path : paths) {
        PictureReader::Read read;
        QString error;
        if (!PictureReader::read(path, fill, 1, &read, &error)) {
            std::fprintf(stderr, "%s: %s\n", qPrintable(path), qPrintable(error));
            return false;
        }
        pictures->append({path, read.pictures.first().frame});
    }
    return true;
}

} // namespace BenchPictures
