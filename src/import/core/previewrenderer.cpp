#include "import/core/previewrenderer.h"

#include "base/threadcheck.h"
#include "frame/deviceview.h"
#include "import/core/framequantizer.h"
#include "import/core/pictureconverter.h"
#include "import/core/picturereader.h"

#include <array>

namespace {

// What the device shows of a frame: each pixel its colour-table entry through the 6-bit cut.
QImage shownImage(const FrameBitmap &frame)
{
    std::array<QRgb, FrameBitmap::PaletteSize> shown;
    for (int e = 0; e < FrameBitmap::PaletteSize; ++e)
        shown[size_t(e)] = DeviceView::shown(frame.palette[size_t(e)]);
    QImage image(FrameBitmap::Width, FrameBitmap::Height, QImage::Format_RGB32);
    for (int y = 0; y < FrameBitmap::Height; ++y) {
        auto *row = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < FrameBitmap::Width; ++x)
            row[x] = shown[frame.pixel(y, x)];
    }
    return image;
}

} // namespace

PreviewRenderer::PreviewRenderer(QObject *parent, Reader reader)
    : QObject(parent)
    , m_reader(std::move(reader))
    , m_work(new LatestWork(LatestWork::End::Detach, this))
{ }

PreviewRenderer::~PreviewRenderer() = default;

void PreviewRenderer::request(const QString &path, const ImportOptions &options)
{
    DRELIN_ASSERT_THREAD(this);
    m_pictures.clear();
    m_shown = 0;
    m_problem.clear();
    m_caveat.clear();
    m_done = false;
    m_work->request([this, reader = m_reader, path, options](const LatestWork::Run &run) {
        render(run, this, reader, path, options);
    });
}

void PreviewRenderer::clear()
{
    DRELIN_ASSERT_THREAD(this);
    m_work->cancel();
    m_pictures.clear();
    m_shown = 0;
    m_problem.clear();
    m_caveat.clear();
    m_done = true;
}

void PreviewRenderer::render(const LatestWork::Run &run, PreviewRenderer *renderer, const Reader &reader,
                             const QString &path, const ImportOptions &options)
{
    PictureReader::Read read;
    QString why;
    const bool readable = reader(path, options, PictureConverter::MostFrames, &read, &why);
    QList<Picture> pictures;
    for (const PictureReader::Picture &picture : read.pictures)
        pictures.append({picture.frame, QImage(), picture.delayMs});
    run.post([renderer, pictures, why, readable, caveat = read.caveat] {
        renderer->m_pictures = pictures;
        renderer->m_problem = readable ? QString() : why;
        renderer->m_caveat = caveat;
        renderer->m_done = !readable;
        emit renderer->picturesRead();
        if (renderer->m_done)
            emit renderer->done();
    });
    if (!readable)
        return;

    const FrameQuantizer::Settings settings{options.dither};
    for (int i = 0; i < read.pictures.size() && !run.superseded(); ++i) {
        const auto frame = FrameQuantizer::quantize(read.pictures[i].frame, settings);
        // A frame whose colours cannot be chosen is not converted either: shown black.
        QImage shown = frame ? shownImage(*frame) : QImage();
        if (shown.isNull()) {
            shown = QImage(FrameBitmap::Width, FrameBitmap::Height, QImage::Format_RGB32);
            shown.fill(Qt::black);
        }
        const bool last = i + 1 == read.pictures.size();
        run.post([renderer, i, shown, last] {
            renderer->m_pictures[i].shown = shown;
            renderer->m_shown = i + 1;
            emit renderer->shownMade(i);
            if (last) {
                renderer->m_done = true;
                emit renderer->done();
            }
        });
    }
}
