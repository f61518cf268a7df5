#include "import/widgets/importpreview.h"

#include "frame/framebitmap.h"
#include "import/core/pictureconverter.h"
#include "import/core/previewrenderer.h"

#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QPixmap>

namespace {

// What an animation that gives no delay shows a picture for, as web browsers do.
constexpr int DefaultDelayMs = 100;
// How long the settings must rest before the picture is made again.
constexpr int SettleMs = 150;

QLabel *pictureBox(QWidget *parent, const char *name)
{
    auto *box = new QLabel(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setFixedSize(FrameBitmap::Width * ImportPreview::Scale + 2, FrameBitmap::Height * ImportPreview::Scale + 2);
    box->setFrameShape(QFrame::Box);
    box->setAlignment(Qt::AlignCenter);
    box->setAutoFillBackground(true);
    QPalette colours = box->palette();
    colours.setColor(QPalette::Window, QColor(0x80, 0x80, 0x80));
    box->setPalette(colours);
    return box;
}

QPixmap enlarged(const QImage &image)
{
    // Each pixel a square block, not smoothed: the operator judges the pixels the device gets.
    return QPixmap::fromImage(
        image.scaled(image.size() * ImportPreview::Scale, Qt::IgnoreAspectRatio, Qt::FastTransformation));
}

} // namespace

ImportPreview::ImportPreview(QWidget *parent)
    : QWidget(parent)
    , m_renderer(new PreviewRenderer(this))
    , m_picture(pictureBox(this, "imgPicture"))
    , m_shown(pictureBox(this, "imgShown"))
    , m_caption(new QLabel(this))
{
    m_caption->setObjectName(QStringLiteral("lblPreview"));
    m_caption->setWordWrap(true);
    auto *layout = new QGridLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(new QLabel(QStringLiteral("The picture"), this), 0, 0);
    layout->addWidget(m_picture, 1, 0);
    layout->addWidget(new QLabel(QStringLiteral("What the device will show"), this), 2, 0);
    layout->addWidget(m_shown, 3, 0);
    layout->addWidget(m_caption, 4, 0);
    layout->setRowStretch(5, 1);

    m_settle.setSingleShot(true);
    m_settle.setInterval(SettleMs);
    connect(&m_settle, &QTimer::timeout, this, &ImportPreview::request);
    m_play.setSingleShot(true);
    connect(&m_play, &QTimer::timeout, this, &ImportPreview::playNext);

    connect(m_renderer, &PreviewRenderer::picturesRead, this, [this] { showPicture(0); });
    connect(m_renderer, &PreviewRenderer::shownMade, this, [this](int index) {
        if (index == m_index)
            showPicture(index);
        tell();
    });
    tell();
}

void ImportPreview::preview(const QString &path, const ImportOptions &options)
{
    m_path = path;
    m_options = options;
    m_settle.start();
}

void ImportPreview::setPictureCount(int count)
{
    m_count = count;
    tell();
}

void ImportPreview::request()
{
    m_play.stop();
    m_index = 0;
    if (m_path.isEmpty()) {
        m_renderer->clear();
        m_picture->clear();
        m_shown->clear();
    } else {
        // The old pictures stay until the new ones are read: no flicker while a slider moves.
        m_renderer->request(m_path, m_options);
    }
    tell();
}

void ImportPreview::showPicture(int index)
{
    const auto &pictures = m_renderer->pictures();
    m_index = index;
    if (index >= pictures.size()) {
        m_picture->clear();
        m_shown->clear();
        tell();
        return;
    }
    m_picture->setPixmap(enlarged(pictures[index].frame));
    if (pictures[index].shown.isNull())
        m_shown->setText(QStringLiteral("Choosing the colours..."));
    else
        m_shown->setPixmap(enlarged(pictures[index].shown));
    if (pictures.size() > 1) {
        const int delay = pictures[index].delayMs;
        m_play.start(delay > 0 ? delay : DefaultDelayMs);
    }
    tell();
}

void ImportPreview::playNext()
{
    // Only through the pictures the device side has caught up with, so both show the same one.
    const int ready = std::max(m_renderer->shownCount(), 1);
    showPicture((m_index + 1) % ready);
}

QString ImportPreview::placeInAnimation() const
{
    // The pictures shown are those chosen: from the first, every step-th.
    const int count = m_count > 0 ? m_count : int(m_renderer->pictures().size());
    const int number = std::max(m_options.first, 0) + m_index * std::max(m_options.step, 1) + 1;
    const int frames = std::min(m_options.taken(count), PictureConverter::MostFrames);
    QString text = QStringLiteral("picture %1 of %2 of the animation").arg(number).arg(count);
    if (frames != count)
        text += QStringLiteral(", frame %1 of the %2 it makes").arg(m_index + 1).arg(frames);
    return text;
}

void ImportPreview::tell()
{
    const auto &pictures = m_renderer->pictures();
    const QString name = QFileInfo(m_path).fileName();
    QString text;
    if (m_path.isEmpty())
        text = QStringLiteral("Add a picture to see it here.");
    else if (!m_renderer->problem().isEmpty())
        text = QStringLiteral("%1 %2.").arg(name, m_renderer->problem());
    else if (pictures.size() > 1 || m_count > 1)
        text = QStringLiteral("%1: %2").arg(name, placeInAnimation());
    else
        text = name;
    if (!m_renderer->caveat().isEmpty())
        text += QStringLiteral(" %1.").arg(m_renderer->caveat());
    if (!pictures.isEmpty() && !m_renderer->isDone()) {
        text +=
            QStringLiteral(" (choosing the colours: %1 of %2 done)").arg(m_renderer->shownCount()).arg(pictures.size());
    }
    m_caption->setText(text);
    QPalette colours = palette();
    if (!m_renderer->problem().isEmpty())
        colours.setColor(QPalette::WindowText, QColor(Qt::red).darker(130));
    m_caption->setPalette(colours);
}
