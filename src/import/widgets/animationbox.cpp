#include "import/widgets/animationbox.h"

#include "import/core/pictureconverter.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>

namespace {

constexpr int MostPictures = 99999;

// How many frames the pictures make with this choice.
int framesOf(const QList<int> &counts, const ImportOptions &options)
{
    int frames = 0;
    for (const int count : counts)
        frames += count > 1 ? options.taken(count) : count;
    return frames;
}

QString ordinal(int n)
{
    const int lastTwo = n % 100;
    const char *suffix = lastTwo >= 11 && lastTwo <= 13 ? "th"
        : n % 10 == 1                                   ? "st"
        : n % 10 == 2                                   ? "nd"
        : n % 10 == 3                                   ? "rd"
                                                        : "th";
    return QString::number(n) + QLatin1String(suffix);
}

QSpinBox *spinBox(QWidget *parent, const char *name, int minimum, const QString &tip)
{
    auto *box = new QSpinBox(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setRange(minimum, MostPictures);
    box->setToolTip(tip);
    return box;
}

} // namespace

AnimationBox::AnimationBox(QWidget *parent)
    : QGroupBox(QStringLiteral("Animations"), parent)
    , m_first(spinBox(this, "spnFirst", 1, QStringLiteral("The first picture of each animation that becomes a frame")))
    , m_last(spinBox(this, "spnLast", 0, QStringLiteral("The last picture of each animation that becomes a frame")))
    , m_step(spinBox(this, "spnEvery", 1, QStringLiteral("1 takes every picture, 2 every other one, ...")))
    , m_fit(new QPushButton(this))
    , m_told(new QLabel(this))
{
    m_last->setSpecialValueText(QStringLiteral("the last"));
    m_step->setPrefix(QStringLiteral("every "));
    m_fit->setObjectName(QStringLiteral("cmdFitAnimation"));
    m_fit->setText(QStringLiteral("Every 99th to fit")); // room for what it will say
    m_fit->setMinimumWidth(m_fit->sizeHint().width());
    m_fit->setToolTip(QStringLiteral("Takes every Nth picture, N as small as lets the frames fit the device"));
    m_told->setObjectName(QStringLiteral("lblAnimation"));
    m_told->setWordWrap(true);

    auto *range = new QHBoxLayout;
    range->addWidget(m_first);
    range->addWidget(new QLabel(QStringLiteral("to"), this));
    range->addWidget(m_last);
    range->addStretch();
    auto *step = new QHBoxLayout;
    step->addWidget(m_step);
    step->addWidget(m_fit);
    step->addStretch();
    auto *form = new QGridLayout(this);
    form->addWidget(new QLabel(QStringLiteral("Pictures:"), this), 0, 0);
    form->addLayout(range, 0, 1);
    form->addWidget(new QLabel(QStringLiteral("Take:"), this), 1, 0);
    form->addLayout(step, 1, 1);
    form->addWidget(m_told, 2, 0, 1, 2);
    form->setColumnStretch(1, 1);

    for (QSpinBox *box : {m_first, m_last, m_step}) {
        connect(box, &QSpinBox::valueChanged, this, [this] {
            tell();
            emit changed();
        });
    }
    connect(m_fit, &QPushButton::clicked, this, [this] {
        if (const int step = stepThatFits())
            m_step->setValue(step);
    });
    tell();
}

void AnimationBox::choose(ImportOptions *options) const
{
    const ImportOptions choice = chosen();
    options->first = choice.first;
    options->last = choice.last;
    options->step = choice.step;
}

ImportOptions AnimationBox::chosen() const
{
    ImportOptions options;
    options.first = m_first->value() - 1;
    options.last = m_last->value() - 1; // "the last" is 0: -1
    options.step = m_step->value();
    return options;
}

void AnimationBox::setPictureCounts(const QList<int> &counts)
{
    m_counts = counts;
    tell();
}

int AnimationBox::stepThatFits() const
{
    ImportOptions options = chosen();
    const int longest = m_counts.isEmpty() ? 1 : *std::max_element(m_counts.cbegin(), m_counts.cend());
    for (options.step = 1; options.step <= std::max(longest, 1); ++options.step) {
        if (framesOf(m_counts, options) <= PictureConverter::MostFrames)
            return options.step;
    }
    return 0;
}

void AnimationBox::tell()
{
    const bool animated = std::any_of(m_counts.cbegin(), m_counts.cend(), [](int count) { return count > 1; });
    for (QWidget *control :
         {static_cast<QWidget *>(m_first), static_cast<QWidget *>(m_last), static_cast<QWidget *>(m_step)})
        control->setEnabled(animated);
    const int frames = framesOf(m_counts, chosen());
    const int fits = stepThatFits();
    const bool tooMany = frames > PictureConverter::MostFrames;
    m_fit->setText(QStringLiteral("Every %1 to fit").arg(tooMany && fits > 1 ? ordinal(fits) : QStringLiteral("Nth")));
    m_fit->setEnabled(animated && tooMany && fits > 1);
    QString text;
    if (!animated) {
        text = QStringLiteral("No animation among the pictures.");
    } else if (tooMany) {
        text = QStringLiteral("%1 pictures would become frames: %2 fit the device, %3 would be left out. Take every "
                              "Nth picture or a range so they fit.")
                   .arg(frames)
                   .arg(PictureConverter::MostFrames)
                   .arg(frames - PictureConverter::MostFrames);
    } else {
        text = QStringLiteral("%1 pictures become frames; the device takes %2.")
                   .arg(frames)
                   .arg(PictureConverter::MostFrames);
    }
    m_told->setText(text);
}
