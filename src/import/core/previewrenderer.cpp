#include "import/core/previewrenderer.h"

#include "core/deviceview.h"
#include "core/framequantizer.h"
#include "core/mailbox.h"
#include "core/pictureconverter.h"
#include "core/picturereader.h"
#include "core/threadcheck.h"

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

PreviewRenderer::PreviewRenderer(QObject *parent)
    : QObject(parent)
    , m_returns(new Mailbox(this))
{
    m_thread = std::thread([this] { work(); });
}

PreviewRenderer::~PreviewRenderer()
{
    {
        const std::lock_guard<std::mutex> guard(m_lock);
        m_stopping = true;
    }
    ++m_generation; // a picture being made is given up
    m_wake.notify_all();
    m_thread.join();
}

void PreviewRenderer::request(const QString &path, const ImportOptions &options)
{
    DRELIN_ASSERT_THREAD(this);
    m_pictures.clear();
    m_shown = 0;
    m_problem.clear();
    m_done = false;
    {
        const std::lock_guard<std::mutex> guard(m_lock);
        m_next = Request{++m_generation, path, options};
        m_pending = true;
    }
    m_wake.notify_all();
}

void PreviewRenderer::clear()
{
    DRELIN_ASSERT_THREAD(this);
    ++m_generation;
    {
        const std::lock_guard<std::mutex> guard(m_lock);
        m_pending = false;
    }
    m_pictures.clear();
    m_shown = 0;
    m_problem.clear();
    m_done = true;
}

void PreviewRenderer::work()
{
    for (;;) {
        Request request;
        {
            std::unique_lock<std::mutex> lock(m_lock);
            m_wake.wait(lock, [this] { return m_pending || m_stopping; });
            if (m_stopping)
                return;
            request = m_next;
            m_pending = false;
        }
        render(request);
    }
}

void PreviewRenderer::render(const Request &request)
{
    const int generation = request.generation;
    PictureReader::Read read;
    QString why;
    const bool readable = PictureReader::read(request.path, request.options, PictureConverter::MostFrames, &read, &why);
    QList<Picture> pictures;
    for (const PictureReader::Picture &picture : read.pictures)
        pictures.append({picture.frame, QImage(), picture.delayMs});
    m_returns->post([this, generation, pictures, why, readable] {
        if (superseded(generation))
            return;
        m_pictures = pictures;
        m_problem = readable ? QString() : why;
        m_done = !readable;
        emit picturesRead();
        if (m_done)
            emit done();
    });
    if (!readable)
        return;

    const FrameQuantizer::Settings settings{request.options.dither};
    for (int i = 0; i < read.pictures.size() && !superseded(generation); ++i) {
        const auto frame = FrameQuantizer::quantize(read.pictures[i].frame, settings);
        // A frame whose colours cannot be chosen is not converted either: shown black.
        QImage shown = frame ? shownImage(*frame) : QImage();
        if (shown.isNull()) {
            shown = QImage(FrameBitmap::Width, FrameBitmap::Height, QImage::Format_RGB32);
            shown.fill(Qt::black);
        }
        const bool last = i + 1 == read.pictures.size();
        m_returns->post([this, generation, i, shown, last] {
            if (superseded(generation))
                return;
            m_pictures[i].shown = shown;
            m_shown = i + 1;
            emit shownMade(i);
            if (last) {
                m_done = true;
                emit done();
            }
        });
    }
}
