#include "import/widgets/importdialog.h"

#include "base/localpath.h"
#include "import/core/importjob.h"
#include "import/core/importsettings.h"
#include "import/core/pictureconverter.h"
#include "import/core/picturereader.h"
#include "import/core/picturesurvey.h"
#include "import/widgets/animationbox.h"
#include "import/widgets/frameoptionsbox.h"
#include "import/widgets/importpreview.h"
#include "import/widgets/importquestions.h"
#include "widgets/formstyle.h"
#include "widgets/modals.h"

#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QVBoxLayout>

namespace {

const QString Title = QStringLiteral("Import pictures");

template<typename T> T *named(T *widget, const char *name)
{
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

QString fileName(const QString &path)
{
    return QFileInfo(path).fileName();
}

QString native(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

// Every format the image plugins read, then any file.
QString pictureFilter()
{
    return QStringLiteral("Pictures (%1);;All files (*)").arg(PictureReader::nameFilters().join(QLatin1Char(' ')));
}

} // namespace

ImportDialog::ImportDialog(QWidget *parent, const QString &folder, const QStringList &pictures)
    : QDialog(parent)
    , m_job(new ImportJob(this))
    , m_survey(new PictureSurvey(this))
{
    setObjectName(QStringLiteral("ImportDialog"));
    setWindowTitle(Title);
    FormStyle::apply(this);

    m_frameOptions = named(new FrameOptionsBox(this), "FrameOptions");
    m_animation = named(new AnimationBox(this), "AnimationOptions");
    auto *previewBox = new QGroupBox(QStringLiteral("Preview"), this);
    m_preview = named(new ImportPreview(previewBox), "ImportPreview");
    (new QVBoxLayout(previewBox))->addWidget(m_preview);

    m_progress = named(new QProgressBar(this), "prgImport");
    m_progress->setFormat(QStringLiteral("%v of %m frames"));
    m_convert = named(new QPushButton(QStringLiteral("&Convert"), this), "cmdConvert");
    m_convert->setDefault(true);
    m_cancel = named(new QPushButton(QStringLiteral("Cancel"), this), "cmdCancel");
    auto *bottom = new QHBoxLayout;
    bottom->addWidget(m_progress, 1);
    bottom->addWidget(m_convert);
    bottom->addWidget(m_cancel);

    // The settings beside the preview, the picture above the device's view: a 1024 x 768 screen
    // holds it all, each picture at twice its size.
    auto *settings = new QVBoxLayout;
    settings->addWidget(buildPictures(), 1);
    settings->addWidget(m_frameOptions);
    settings->addWidget(m_animation);
    settings->addWidget(buildTarget());
    settings->addLayout(bottom);
    auto *layout = new QHBoxLayout(this);
    layout->addLayout(settings, 1);
    layout->addWidget(previewBox);

    const ImportSettings::Kept kept = ImportSettings::load();
    m_frameOptions->setOptions(kept.options);
    m_addToList->setChecked(kept.addToList);
    m_folder->setText(native(folder));
    connect(m_convert, &QPushButton::clicked, this, &ImportDialog::convert);
    connect(m_cancel, &QPushButton::clicked, this, &ImportDialog::reject);
    connect(m_job, &ImportJob::progress, m_progress, &QProgressBar::setValue);
    connect(m_job, &ImportJob::finished, this, &ImportDialog::converted);
    connect(m_survey, &PictureSurvey::found, this, &ImportDialog::found);
    connect(m_frameOptions, &FrameOptionsBox::changed, this, [this] {
        keepSettings();
        settingsChanged();
    });
    connect(m_animation, &AnimationBox::changed, this, &ImportDialog::settingsChanged);
    connect(m_addToList, &QCheckBox::toggled, this, &ImportDialog::keepSettings);
    m_settingsControls = {m_list, m_add, m_remove, m_frameOptions, m_animation, m_folder, m_browse, m_addToList};
    addPictures(pictures);
    setConverting(false);
    // As large as it likes where the screen has room, no smaller than everything needs.
    if (const QScreen *where = screen())
        resize(sizeHint().boundedTo(where->availableSize()).expandedTo(minimumSizeHint()));
}

QWidget *ImportDialog::buildPictures()
{
    auto *box = new QGroupBox(QStringLiteral("Pictures"), this);
    m_list = named(new QListWidget(box), "lstPictures");
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_add = named(new QPushButton(QStringLiteral("&Add pictures..."), box), "cmdAddPictures");
    m_remove = named(new QPushButton(QStringLiteral("&Remove"), box), "cmdRemovePictures");
    auto *buttons = new QVBoxLayout;
    buttons->addWidget(m_add);
    buttons->addWidget(m_remove);
    buttons->addStretch();
    auto *layout = new QHBoxLayout(box);
    layout->addWidget(m_list, 1);
    layout->addLayout(buttons);
    connect(m_add, &QPushButton::clicked, this, &ImportDialog::choosePictures);
    connect(m_remove, &QPushButton::clicked, this, &ImportDialog::removePictures);
    connect(m_list, &QListWidget::currentRowChanged, this, &ImportDialog::settingsChanged);
    connect(m_list, &QListWidget::itemSelectionChanged, this,
            [this] { m_remove->setEnabled(!m_job->isRunning() && !m_list->selectedItems().isEmpty()); });
    return box;
}

QWidget *ImportDialog::buildTarget()
{
    auto *box = new QGroupBox(QStringLiteral("Frame files"), this);
    m_folder = named(new QLineEdit(box), "txtFolder");
    m_browse = named(new QPushButton(QStringLiteral("&Browse..."), box), "cmdBrowse");
    m_addToList = named(new QCheckBox(QStringLiteral("A&dd the frames to the frame list"), box), "chkAddToList");
    auto *folder = new QHBoxLayout;
    folder->addWidget(new QLabel(QStringLiteral("Folder:"), box));
    folder->addWidget(m_folder, 1);
    folder->addWidget(m_browse);
    auto *layout = new QVBoxLayout(box);
    layout->addLayout(folder);
    layout->addWidget(m_addToList);
    connect(m_browse, &QPushButton::clicked, this, &ImportDialog::chooseFolder);
    return box;
}

void ImportDialog::addPictures(const QStringList &paths)
{
    const QStringList already = pictures();
    QStringList added;
    for (const QString &path : paths) {
        if (already.contains(path) || added.contains(path))
            continue;
        auto *item = new QListWidgetItem(m_list);
        item->setData(Qt::UserRole, path);
        mark(item);
        added << path;
    }
    m_survey->survey(added);
    if (m_list->currentRow() < 0 && m_list->count() > 0)
        m_list->setCurrentRow(0);
    m_convert->setEnabled(m_list->count() > 0);
    countPictures();
}

void ImportDialog::found(const QString &path)
{
    for (int row = 0; row < m_list->count(); ++row) {
        if (m_list->item(row)->data(Qt::UserRole).toString() == path)
            mark(m_list->item(row));
    }
    countPictures();
    const QListWidgetItem *current = m_list->currentItem();
    if (current && current->data(Qt::UserRole).toString() == path)
        settingsChanged();
}

void ImportDialog::mark(QListWidgetItem *item)
{
    const QString path = item->data(Qt::UserRole).toString();
    const PictureSurvey::Finding *finding = m_survey->finding(path);
    QString text = fileName(path);
    QString tip = native(path);
    if (finding && !finding->problem.isEmpty()) {
        // Marked at once, so it is taken out or mended before converting rather than told after.
        text += QStringLiteral(": %1").arg(finding->problem);
        tip += QStringLiteral("\nMakes no frame: it %1.").arg(finding->problem);
        item->setIcon(style()->standardIcon(QStyle::SP_MessageBoxWarning));
        item->setForeground(QColor(Qt::red).darker(130));
    } else if (finding && finding->pictures > 1) {
        text += QStringLiteral(" (%1 pictures)").arg(finding->pictures);
    }
    item->setText(text);
    item->setToolTip(tip);
}

void ImportDialog::countPictures()
{
    QList<int> counts;
    for (const QString &path : pictures()) {
        const PictureSurvey::Finding *finding = m_survey->finding(path);
        counts << (finding ? finding->pictures : 1);
    }
    m_animation->setPictureCounts(counts);
}

QStringList ImportDialog::pictures() const
{
    QStringList paths;
    for (int row = 0; row < m_list->count(); ++row)
        paths << m_list->item(row)->data(Qt::UserRole).toString();
    return paths;
}

ImportOptions ImportDialog::options() const
{
    ImportOptions options = m_frameOptions->options();
    m_animation->choose(&options);
    return options;
}

QString ImportDialog::folder() const
{
    return QDir::fromNativeSeparators(m_folder->text().trimmed());
}

QStringList ImportDialog::framesForList() const
{
    return m_addToList->isChecked() && !m_cancelled ? m_written : QStringList();
}

void ImportDialog::choosePictures()
{
    QFileDialog dialog(this, QStringLiteral("Add pictures"), folder(), pictureFilter());
    dialog.setObjectName(QStringLiteral("AddPicturesDialog"));
    dialog.setFileMode(QFileDialog::ExistingFiles);
    if (Modals::exec(&dialog) == QDialog::Accepted)
        addPictures(dialog.selectedFiles());
}

void ImportDialog::removePictures()
{
    qDeleteAll(m_list->selectedItems());
    m_convert->setEnabled(m_list->count() > 0);
    countPictures();
    settingsChanged();
}

void ImportDialog::chooseFolder()
{
    QFileDialog dialog(this, QStringLiteral("Folder for the frame files"), folder());
    dialog.setObjectName(QStringLiteral("FolderDialog"));
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    if (Modals::exec(&dialog) == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
        m_folder->setText(native(dialog.selectedFiles().first()));
}

void ImportDialog::settingsChanged()
{
    if (!m_preview)
        return; // still being built
    const QListWidgetItem *current = m_list->currentItem();
    const QString path = current ? current->data(Qt::UserRole).toString() : QString();
    const PictureSurvey::Finding *finding = m_survey->finding(path);
    m_preview->setPictureCount(finding ? finding->pictures : 0);
    m_preview->preview(path, options());
}

void ImportDialog::keepSettings()
{
    ImportSettings::save({m_frameOptions->options(), m_addToList->isChecked()});
}

void ImportDialog::convert()
{
    const QStringList chosen = pictures();
    if (chosen.isEmpty() || m_job->isRunning())
        return;
    const QString target = folder();
    if (!ImportQuestions::folderReady(this, target))
        return;
    // From the pictures' headers: quick, and what the question and the progress bar need.
    const QStringList planned = PictureConverter(options(), target).plannedFiles(chosen);
    QStringList existing;
    for (const QString &file : planned) {
        if (LocalPath::stat(file).exists)
            existing << file;
    }
    bool overwrite = false;
    if (!existing.isEmpty() && !ImportQuestions::overwrite(this, target, existing, &overwrite))
        return;

    m_written.clear();
    m_cancelled = false;
    m_progress->setRange(0, std::max(int(planned.size()), 1));
    m_progress->setValue(0);
    setConverting(true);
    m_job->start({chosen, options(), target, overwrite});
}

void ImportDialog::converted()
{
    const ImportJob::Result &result = m_job->result();
    m_written = result.written();
    m_cancelled = result.cancelled;
    setConverting(false);
    m_progress->setValue(int(m_written.size()));

    QStringList problems;
    for (const PictureConverter::Outcome &outcome : result.outcomes) {
        if (!outcome.problem.isEmpty())
            problems << QStringLiteral("%1: %2.").arg(fileName(outcome.source), outcome.problem);
    }
    const int count = int(m_written.size());
    const QString written = count == 1 ? QStringLiteral("1 frame file was written")
                                       : QStringLiteral("%1 frame files were written").arg(count);
    if (m_cancelled) {
        Modals::message(this, QStringLiteral("The import was cancelled: %1, no other.").arg(written), Title,
                        QMessageBox::Information, QMessageBox::Ok);
    } else if (!problems.isEmpty()) {
        Modals::message(
            this,
            QStringLiteral("%1. Not every picture became frames:\n\n%2").arg(written, problems.join(QLatin1Char('\n'))),
            Title, QMessageBox::Warning, QMessageBox::Ok);
    }
    if (count > 0)
        accept();
    else if (m_closeWhenDone)
        QDialog::reject();
    m_closeWhenDone = false;
}

void ImportDialog::setConverting(bool converting)
{
    for (QWidget *control : m_settingsControls)
        control->setEnabled(!converting);
    m_remove->setEnabled(!converting && !m_list->selectedItems().isEmpty());
    m_convert->setEnabled(!converting && m_list->count() > 0);
    m_progress->setEnabled(converting);
    m_progress->setTextVisible(converting); // no count before there is one
}

void ImportDialog::reject()
{
    if (m_job->isRunning()) {
        // The frame being written is finished; the dialog closes when the job has ended.
        m_job->cancel();
        m_closeWhenDone = true;
        return;
    }
    QDialog::reject();
}
