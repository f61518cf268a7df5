#include "framelist/widgets/framelistfiles.h"

#include "base/appinfo.h"
#include "base/duration.h"
#include "base/localpath.h"
#include "framelist/core/framelistmodel.h"
#include "framelist/core/keptlist.h"
#include "widgets/modals.h"

#include <QAbstractItemView>
#include <QAction>
#include <QCryptographicHash>
#include <QDir>
#include <QDropEvent>
#include <QFileInfo>
#include <QLabel>
#include <QMimeData>
#include <QStandardPaths>
#include <QVBoxLayout>

namespace {

const QString Filter = QStringLiteral("Frame lists (*.frames);;All files (*)");
QAction *makeAction(QWidget *window, const QString &text, const QKeySequence &keys)
{
    auto *action = new QAction(text, window);
    action->setShortcut(keys);
    window->addAction(action); // the keys work wherever the focus is in the window
    return action;
}

QByteArray hashOf(const QByteArray &text)
{
    return QCryptographicHash::hash(text, QCryptographicHash::Sha256);
}

} // namespace

FrameListFiles::FrameListFiles(QWidget *window, FrameListModel *frames, QAbstractItemView *list,
                               const QString &keptFile)
    : QObject(window)
    , m_window(window)
    , m_frames(frames)
    , m_keptFile(keptFile.isEmpty() ? defaultKeptFile() : keptFile)
    , m_hint(new QLabel(list->viewport()))
    , m_open(makeAction(window, QStringLiteral("Open list..."), QKeySequence::Open))
    , m_save(makeAction(window, QStringLiteral("Save list"), QKeySequence::Save))
    , m_saveAs(makeAction(window, QStringLiteral("Save list as..."), QKeySequence(QStringLiteral("Ctrl+Shift+S"))))
    , m_restore(makeAction(window, QStringLiteral("Restore previous list"), QKeySequence(QStringLiteral("Ctrl+R"))))
{
    connect(m_open, &QAction::triggered, this, [this] {
        const QString file =
            Modals::fileName(m_window, {FileRequest::Open, QStringLiteral("Open frame list"), startFolder(), Filter});
        if (!file.isEmpty())
            open(file);
    });
    connect(m_save, &QAction::triggered, this, &FrameListFiles::save);
    connect(m_saveAs, &QAction::triggered, this, &FrameListFiles::saveAs);
    connect(m_restore, &QAction::triggered, this, &FrameListFiles::restorePrevious);

    m_keepTimer.setSingleShot(true);
    m_keepTimer.setInterval(KeepDelayMs);
    connect(&m_keepTimer, &QTimer::timeout, this, &FrameListFiles::keepNow);
    for (const auto changed : {&FrameListModel::rowsInserted, &FrameListModel::rowsRemoved})
        connect(m_frames, changed, this, &FrameListFiles::listChanged);
    connect(m_frames, &FrameListModel::dataChanged, this, &FrameListFiles::listChanged);
    connect(m_frames, &FrameListModel::modelReset, this, &FrameListFiles::listChanged);
    connect(m_frames, &FrameListModel::layoutChanged, this, &FrameListFiles::listChanged);

    m_hint->setObjectName(QStringLiteral("previousListHint"));
    m_hint->setWordWrap(true);
    m_hint->setAlignment(Qt::AlignCenter);
    m_hint->setMargin(8);
    m_hint->setEnabled(false); // drawn greyed, as a placeholder is
    m_hint->setAttribute(Qt::WA_TransparentForMouseEvents); // clicks, menus and drops reach the list
    auto *layout = new QVBoxLayout(list->viewport());
    layout->addWidget(m_hint);
    list->viewport()->installEventFilter(this);

    if (LocalPath::stat(m_keptFile).exists) {
        // A kept copy that cannot be read says why where the list would be, and Restore says it too.
        if (const auto kept = KeptList::read(m_keptFile, &m_keptProblem)) {
            m_kept = *kept;
            m_keptProblem.clear();
        }
    }
    showCaption();
    showPreviousHint();
}

QString FrameListFiles::defaultKeptFile()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation) + QStringLiteral("/previous.frames");
}

QVector<FrameListFile::Entry> FrameListFiles::entries() const
{
    QVector<FrameListFile::Entry> result;
    for (const FrameEntry &entry : m_frames->entries())
        result.append({entry.number, entry.path});
    return result;
}

void FrameListFiles::setEntries(const QVector<FrameListFile::Entry> &entries)
{
    m_frames->clear();
    for (const FrameListFile::Entry &entry : entries)
        m_frames->add(entry.number, entry.path);
}

bool FrameListFiles::unsaved() const
{
    return !m_file.isEmpty() && entries() != m_saved;
}

void FrameListFiles::endEdit()
{
    if (m_endEdit)
        m_endEdit();
}

void FrameListFiles::takeFile(const QString &file, const FrameListFile::Contents &contents)
{
    m_file = QFileInfo(file).absoluteFilePath();
    m_saved = contents.entries;
    m_layout = contents.layout;
    m_onDisk = hashOf(contents.text);
    m_keepTimer.start(); // the kept copy names the file
    showCaption();
}

void FrameListFiles::forgetFile()
{
    m_file.clear();
    m_saved.clear();
    m_layout = FrameListFile::Layout();
    m_onDisk.clear();
}

void FrameListFiles::listChanged()
{
    m_keepTimer.start();
    showCaption();
    showPreviousHint();
}

void FrameListFiles::keepNow()
{
    m_keepTimer.stop();
    const KeptList::Contents now{entries(), m_file};
    // An emptied list is not kept: the one before it can still be restored.
    if (now.entries.isEmpty() || (now.entries == m_kept.entries && now.from == m_kept.from))
        return;
    // A failure here is not the operator's to handle; the next change tries again.
    if (KeptList::write(m_keptFile, now)) {
        m_kept = now;
        m_keptProblem.clear();
    }
}

void FrameListFiles::showCaption()
{
    const QString title = QString::fromUtf8(AppInfo::ProductName);
    if (m_file.isEmpty()) {
        m_window->setWindowTitle(title);
        m_window->setWindowModified(false);
        return;
    }
    m_window->setWindowTitle(QFileInfo(m_file).fileName() + QStringLiteral("[*] - ") + title);
    m_window->setWindowModified(unsaved());
}

void FrameListFiles::showPreviousHint()
{
    const int count = int(m_kept.entries.size());
    const bool offered = m_frames->count() == 0 && (count > 0 || !m_keptProblem.isEmpty());
    m_restore->setEnabled(offered);
    m_hint->setVisible(offered);
    if (count == 0) {
        m_hint->setText(QStringLiteral("The previous list could not be read:\n") + m_keptProblem);
        return;
    }
    const QString size =
        QStringLiteral("%1 %2").arg(count).arg(count == 1 ? QStringLiteral("frame") : QStringLiteral("frames"));
    const QString from =
        m_kept.from.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(QFileInfo(m_kept.from).fileName());
    m_hint->setText(QStringLiteral("The previous list%1 had %2.\n\nCtrl+R or \"Restore previous list\" in this "
                                   "list's context menu brings it back.")
                        .arg(from,
                             m_lineTime
                                 ? QStringLiteral("%1 (%2 on the line)").arg(size, formatDuration(m_lineTime(count)))
                                 : size));
}

void FrameListFiles::setLineTime(std::function<qint64(int)> lineTime)
{
    m_lineTime = std::move(lineTime);
    showPreviousHint();
}

QString FrameListFiles::startFolder() const
{
    return m_file.isEmpty() ? QDir::homePath() : m_file;
}

bool FrameListFiles::open(const QString &file)
{
    endEdit();
    QString why;
    const auto read = FrameListFile::load(file, &why);
    if (!read) {
        Modals::message(m_window, why, QString(), QMessageBox::Warning, QMessageBox::Ok);
        return false;
    }
    const bool replaces = m_frames->count() > 0 && (m_file.isEmpty() || unsaved());
    if (replaces
        && Modals::message(m_window,
                           QStringLiteral("The frames in the list are not saved in a list file. Replace them with "
                                          "the list %1?")
                               .arg(QFileInfo(file).fileName()),
                           QString(), QMessageBox::Question, QMessageBox::Yes | QMessageBox::No)
            != QMessageBox::Yes)
        return false;
    setEntries(read->entries);
    takeFile(file, *read);
    return true;
}

bool FrameListFiles::save()
{
    return m_file.isEmpty() ? saveAs() : saveTo(m_file);
}

bool FrameListFiles::saveAs()
{
    const QString suggested = m_file.isEmpty() ? QDir::home().filePath(QStringLiteral("frames.frames")) : m_file;
    QString file =
        Modals::fileName(m_window, {FileRequest::Save, QStringLiteral("Save frame list"), suggested, Filter});
    if (file.isEmpty())
        return false;
    if (QFileInfo(file).suffix().isEmpty())
        file += QStringLiteral(".frames");
    return saveTo(file);
}

bool FrameListFiles::saveTo(const QString &file)
{
    endEdit();
    const QString target = QFileInfo(file).absoluteFilePath();
    // What was written here since is not overwritten unasked; a file gone meanwhile is written anew.
    if (target == m_file && LocalPath::stat(target).exists) {
        const auto now = FrameListFile::readBytes(target);
        if (!now || hashOf(*now) != m_onDisk)
            return changedOnDisk(target, now);
    }
    return write(target, m_layout);
}

bool FrameListFiles::changedOnDisk(const QString &file, const std::optional<QByteArray> &now)
{
    MessageRequest question;
    question.text = QStringLiteral("%1 has changed on disk since it was opened or saved here.\n\nOverwrite it with "
                                   "the list shown here, or reload it and drop the changes made here?")
                        .arg(QFileInfo(file).fileName());
    question.title = QStringLiteral("Question");
    question.icon = QMessageBox::Question;
    question.buttons = QMessageBox::Save | QMessageBox::Reset | QMessageBox::Cancel;
    question.buttonTexts = {{QMessageBox::Save, QStringLiteral("Overwrite")},
                            {QMessageBox::Reset, QStringLiteral("Reload")}};
    switch (Modals::message(m_window, question)) {
    case QMessageBox::Save: {
        // The comments as they are on disk now, where it can still be read as a list.
        const auto onDisk =
            now ? FrameListFile::parseContents(*now, QFileInfo(file).absolutePath(), file) : std::nullopt;
        return write(file, onDisk ? onDisk->layout : m_layout);
    }
    case QMessageBox::Reset: {
        QString why;
        const auto read = FrameListFile::load(file, &why);
        if (!read) {
            Modals::message(m_window, why, QString(), QMessageBox::Warning, QMessageBox::Ok);
            return false;
        }
        setEntries(read->entries);
        takeFile(file, *read);
        return false;
    }
    default:
        return false;
    }
}

bool FrameListFiles::write(const QString &file, const FrameListFile::Layout &layout)
{
    const QVector<FrameListFile::Entry> now = entries();
    const QString folder = QFileInfo(file).absolutePath();
    const QByteArray text = FrameListFile::format(now, folder, layout);
    QString why;
    if (!FrameListFile::writeText(file, text, &why)) {
        Modals::message(m_window, QStringLiteral("The list was not saved.\n\n") + why, QString(), QMessageBox::Warning,
                        QMessageBox::Ok);
        return false;
    }
    takeFile(file,
             FrameListFile::parseContents(text, folder, file).value_or(FrameListFile::Contents{now, layout, text}));
    m_saved = now; // in the list's order, which need not be the numbers' order
    showCaption();
    return true;
}

bool FrameListFiles::restorePrevious()
{
    endEdit();
    QString why;
    const auto kept = KeptList::read(m_keptFile, &why);
    if (!kept || kept->entries.isEmpty()) {
        Modals::message(m_window, kept ? QStringLiteral("There is no previous list to restore.") : why, QString(),
                        QMessageBox::Information, QMessageBox::Ok);
        return false;
    }
    setEntries(kept->entries);
    forgetFile();
    // Back with the list file it came from, as changed against that file as it is on disk now.
    if (!kept->from.isEmpty()) {
        m_file = kept->from;
        const auto text = FrameListFile::readBytes(m_file);
        const auto onDisk =
            text ? FrameListFile::parseContents(*text, QFileInfo(m_file).absolutePath(), m_file) : std::nullopt;
        if (onDisk)
            takeFile(m_file, *onDisk);
        else if (text)
            m_onDisk = hashOf(*text);
    }
    showCaption();
    return true;
}

bool FrameListFiles::mayClose()
{
    endEdit();
    if (!unsaved())
        return true;
    MessageRequest question;
    question.text = QStringLiteral("The list %1 has changes that are not saved.\n\nSave them before closing?")
                        .arg(QFileInfo(m_file).fileName());
    question.title = QStringLiteral("Question");
    question.icon = QMessageBox::Question;
    question.buttons = QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel;
    switch (Modals::message(m_window, question)) {
    case QMessageBox::Save:
        return save();
    case QMessageBox::Discard:
        return true; // still in the kept copy, for Ctrl+R
    default:
        return false;
    }
}

QString FrameListFiles::droppedList(const QEvent *event) const
{
    const QMimeData *data = static_cast<const QDropEvent *>(event)->mimeData();
    if (data->urls().size() != 1 || !data->urls().constFirst().isLocalFile())
        return QString();
    const QString path = LocalPath::fromUrlBytes(data->urls().constFirst().path(QUrl::FullyEncoded).toLatin1());
    return path.endsWith(QLatin1String(".frames"), Qt::CaseInsensitive) ? path : QString();
}

bool FrameListFiles::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove:
        if (droppedList(event).isEmpty())
            break;
        static_cast<QDropEvent *>(event)->acceptProposedAction();
        return true;
    case QEvent::Drop: {
        const QString file = droppedList(event);
        if (file.isEmpty())
            break;
        static_cast<QDropEvent *>(event)->acceptProposedAction();
        // The file manager waits for the drop to end; a refusal is told once it has.
        QTimer::singleShot(0, this, [this, file] { open(file); });
        return true;
    }
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}
