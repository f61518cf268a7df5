#include "import/widgets/frameoptionsbox.h"

#include "widgets/modals.h"

#include <QButtonGroup>
#include <QColorDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>

namespace {

QString ditherText(int percent)
{
    return percent == 0 ? QStringLiteral("Off") : QStringLiteral("%1 %").arg(percent);
}

} // namespace

FrameOptionsBox::FrameOptionsBox(QWidget *parent)
    : QGroupBox(QStringLiteral("Frames"), parent)
    , m_geometry(new QButtonGroup(this))
    , m_background(new QPushButton(this))
    , m_dither(new QSlider(Qt::Horizontal, this))
    , m_ditherText(new QLabel(this))
{
    const struct
    {
        const char *name;
        const char *caption;
        const char *tip;
        ImportOptions::Geometry geometry;
    } geometries[] = {
        {"optFit", "&Fit", "The whole picture, borders in the background colour", ImportOptions::Geometry::Fit},
        {"optFill", "F&ill", "The frame covered, the middle of the picture kept", ImportOptions::Geometry::Fill},
        {"optStretch", "&Stretch", "The picture stretched to the frame", ImportOptions::Geometry::Stretch},
    };
    auto *choices = new QHBoxLayout;
    for (const auto &geometry : geometries) {
        auto *option = new QRadioButton(QString::fromLatin1(geometry.caption), this);
        option->setObjectName(QString::fromLatin1(geometry.name));
        option->setToolTip(QString::fromLatin1(geometry.tip));
        m_geometry->addButton(option, int(geometry.geometry));
        choices->addWidget(option);
    }
    m_geometry->button(int(ImportOptions::Geometry::Fit))->setChecked(true);

    m_background->setObjectName(QStringLiteral("cmdBackground"));
    m_background->setToolTip(QStringLiteral("The colour of the borders and of whatever is transparent"));
    setBackground(m_backgroundColour);

    m_dither->setObjectName(QStringLiteral("sldDither"));
    m_dither->setRange(0, 100);
    m_dither->setSingleStep(5);
    m_dither->setPageStep(25);
    m_dither->setValue(100);
    m_dither->setToolTip(QStringLiteral("Floyd-Steinberg: dots of near colours soften the steps of a gradient"));
    m_ditherText->setObjectName(QStringLiteral("lblDither"));
    m_ditherText->setMinimumWidth(m_ditherText->fontMetrics().horizontalAdvance(ditherText(100)));
    m_ditherText->setText(ditherText(m_dither->value()));
    auto *dither = new QHBoxLayout;
    dither->addWidget(m_dither, 1);
    dither->addWidget(m_ditherText);

    auto *form = new QGridLayout(this);
    form->addWidget(new QLabel(QStringLiteral("Size:"), this), 0, 0);
    form->addLayout(choices, 0, 1);
    form->addWidget(new QLabel(QStringLiteral("Background:"), this), 1, 0);
    form->addWidget(m_background, 1, 1, Qt::AlignLeft);
    form->addWidget(new QLabel(QStringLiteral("Dithering:"), this), 2, 0);
    form->addLayout(dither, 2, 1);
    form->setRowStretch(3, 1);

    connect(m_geometry, &QButtonGroup::idClicked, this, &FrameOptionsBox::changed);
    connect(m_background, &QPushButton::clicked, this, &FrameOptionsBox::chooseBackground);
    connect(m_dither, &QSlider::valueChanged, this, [this](int value) {
        m_ditherText->setText(ditherText(value));
        emit changed();
    });
}

ImportOptions FrameOptionsBox::options() const
{
    ImportOptions options;
    options.geometry = ImportOptions::Geometry(m_geometry->checkedId());
    options.background = m_backgroundColour;
    options.dither = m_dither->value() / 100.0;
    return options;
}

void FrameOptionsBox::setOptions(const ImportOptions &options)
{
    if (QAbstractButton *geometry = m_geometry->button(int(options.geometry)))
        geometry->setChecked(true);
    setBackground(options.background);
    m_dither->setValue(qRound(options.dither * 100));
}

void FrameOptionsBox::chooseBackground()
{
    QColorDialog dialog(m_backgroundColour, this);
    dialog.setObjectName(QStringLiteral("BackgroundDialog"));
    dialog.setWindowTitle(QStringLiteral("Background colour"));
    if (Modals::exec(&dialog) == QDialog::Accepted && dialog.selectedColor().isValid()) {
        setBackground(dialog.selectedColor());
        emit changed();
    }
}

void FrameOptionsBox::setBackground(const QColor &colour)
{
    m_backgroundColour = colour;
    const int height = m_background->fontMetrics().height();
    QPixmap swatch(height * 2, height);
    swatch.fill(colour);
    QPainter(&swatch).drawRect(swatch.rect().adjusted(0, 0, -1, -1));
    m_background->setIcon(QIcon(swatch));
    m_background->setIconSize(swatch.size());
    m_background->setText(colour.name().toUpper());
}
