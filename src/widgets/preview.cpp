#include "widgets/preview.h"

#include "base/localpath.h"
#include "frame/deviceview.h"

#include <QFile>
#include <QImageReader>
#include <QLabel>
#include <QPixmap>

namespace Preview {

namespace {

// The picture as read is kept with the label, so switching the view needs no second read.
constexpr const char *SourceProperty = "drelinPreviewSource";
constexpr const char *DeviceViewProperty = "drelinPreviewDeviceView";

void show(QLabel *preview)
{
    const QImage source = preview->property(SourceProperty).value<QImage>();
    if (source.isNull())
        return;
    const bool deviceView = preview->property(DeviceViewProperty).toBool();
    preview->setPixmap(QPixmap::fromImage(deviceView ? DeviceView::shown(source) : source));
}

} // namespace

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
    preview->setProperty(SourceProperty, image);
    show(preview);
    return true;
}

void setDeviceView(QLabel *preview, bool deviceView)
{
    preview->setProperty(DeviceViewProperty, deviceView);
    show(preview);
}

} // namespace Preview
