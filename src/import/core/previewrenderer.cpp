#include "import/core/previewrenderer.h"

#include "base/mailbox.h"
#include "base/threadcheck.h"
#include "frame/deviceview.h"
#include "import/core/framequantizer.h"
#include "import/core/pictureconverter.h"
#include "import/core/picturereader.h"

#include <array>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

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

struct PreviewRenderer::Shared
{
    struct Request
    {
        int generation = 0;
        QString path;
        ImportOptions options;
    };

    Reader reader;
    std::atomic<int> generation{0}; // the latest request's
    std::mutex lock;
    std::condition_variable wake;
    Request next; // under lock
    bool pending = false; // under lock
    PreviewRenderer *owner = nullptr; // under lock; null once the renderer has gone
    Mailbox *returns = nullptr; // under lock, as owner

    // Hands what was made to the renderer on its thread, unless it has gone.
    void post(std::function<void(PreviewRenderer *)> work)
    {
        const std::lock_guard<std::mutex> guard(lock);
        if (owner)
            returns->post([owner = owner, work = std::move(work)] { work(owner); });
    }
};

PreviewRenderer::PreviewRenderer(QObject *parent, Reader reader)
    : QObject(parent)
    , m_shared(std::make_shared<Shared>())
    , m_returns(new Mailbox(this))
{
    m_shared->reader = std::move(reader);
    m_shared->owner = this;
    m_shared->returns = m_returns;
    std::thread([shared = m_shared] { work(shared); }).detach();
}

PreviewRenderer::~PreviewRenderer()
{
    {
        const std::lock_guard<std::mutex> guard(m_shared->lock);
        m_shared->owner = nullptr;
        m_shared->returns = nullptr;
    }
    ++m_shared->generation; // a picture being made is given up
    m_shared->wake.notify_all();
}

bool PreviewRenderer::superseded(int generation) const
{
    return m_shared->generation.load() != generation;
}

void PreviewRenderer::request(const QString &path, const ImportOptions &options)
{
    DRELIN_ASSERT_THREAD(this);
    m_pictures.clear();
    m_shown = 0;
    m_problem.clear();
    m_caveat.clear();
    m_done = false;
    {
        const std::lock_guard<std::mutex> guard(m_shared->lock);
        m_shared->next = Shared::Request{++m_shared->generation, path, options};
        m_shared->pending = true;
    }
    m_shared->wake.notify_all();
}

void PreviewRenderer::clear()
{
    DRELIN_ASSERT_THREAD(this);
    ++m_shared->generation;
    {
        const std::lock_guard<std::mutex> guard(m_shared->lock);
        m_shared->pending = false;
    }
    m_pictures.clear();
    m_shown = 0;
    m_problem.clear();
    m_caveat.clear();
    m_done = true;
}

void PreviewRenderer::work(const std::shared_ptr<Shared> &shared)
{
    for (;;) {
        Shared::Request request;
        {
            std::unique_lock<std::mutex> lock(shared->lock);
            shared->wake.wait(lock, [&shared] { return shared->pending || !shared->owner; });
            if (!shared->owner)
                return;
            request = shared->next;
            shared->pending = false;
        }
        render(shared, request.generation, request.path, request.options);
    }
}

void PreviewRenderer::render(const std::shared_ptr<Shared> &shared, int generation, const QString &path,
                             const ImportOptions &options)
{
    PictureReader::Read read;
    QString why;
    const bool readable = shared->reader(path, options, PictureConverter::MostFrames, &read, &why);
    QList<Picture> pictures;
    for (const PictureReader::Picture &picture : read.pictures)
        pictures.append({picture.frame, QImage(), picture.delayMs});
    shared->post([generation, pictures, why, readable, caveat = read.caveat](PreviewRenderer *renderer) {
        if (renderer->superseded(generation))
            return;
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
    for (int i = 0; i < read.pictures.size() && shared->generation.load() == generation; ++i) {
        const auto frame = FrameQuantizer::quantize(read.pictures[i].frame, settings);
        // A frame whose colours cannot be chosen is not converted either: shown black.
        QImage shown = frame ? shownImage(*frame) : QImage();
        if (shown.isNull()) {
            shown = QImage(FrameBitmap::Width, FrameBitmap::Height, QImage::Format_RGB32);
            shown.fill(Qt::black);
        }
        const bool last = i + 1 == read.pictures.size();
        shared->post([generation, i, shown, last](PreviewRenderer *renderer) {
            if (renderer->superseded(generation))
                return;
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
