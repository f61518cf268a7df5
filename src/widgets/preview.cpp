#include "widgets/preview.h"

#include "core/localpath.h"

#include <QFile>
#include <QImageReader>
#include <QLabel>
#include <QPixmap>

namespace Preview {

bool load(QLabel *preview, const QString &path)
{
    QFile file;
    if (!LocalPath::openForReading(file, path) || !LocalPath::stat(path).isFile)
        return false;
    // A bitmap only: a picture of another kind under a ".bmp" name is refused like a broken one.
    QImageReader reader(&file, "bmp");
    reader.setAutoDetectImageFormat(false);
    const QImage image = reader.read();
    if (image.isNull())
        return false;
    preview->setPixmap(QPixmap::fromImage(image));
    return true;
}

} // namespace Preview
