#include "framelist/widgets/framelistfiles.h"

#include "core/appinfo.h"
#include "core/duration.h"
#include "core/localpath.h"
#include "framelist/core/framelistmodel.h"
#include "framelist/core/framenumber.h"
#include "widgets/modals.h"

#include <QAbstractItemView>
#include <QAction>
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

    m_kept = FrameListFile::read(m_keptFile).value_or(QVector<FrameListFile::Entry>());
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
        result.append({entry.text.toInt(), entry.path});
    return result;
}

void FrameListFiles::setEntries(const QVector<FrameListFile::Entry> &entries)
{
    m_frames->clear();
    for (const FrameListFile::Entry &entry : entries)
        m_frames->add(FrameNumber::FormatFrameNumber(entry.number), entry.path);
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
    const QVector<FrameListFile::Entry> now = entries();
    // An emptied list is not kept: the one before it can still be restored.
    if (now.isEmpty() || now == m_kept)
        return;
    QDir().mkpath(QFileInfo(m_keptFile).absolutePath());
    // A failure here is not the operator's to handle; the next change tries again.
    if (FrameListFile::write(m_keptFile, now))
        m_kept = now;
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
    m_window->setWindowModified(entries() != m_saved);
}

void FrameListFiles::showPreviousHint()
{
    const int count = int(m_kept.size());
    m_restore->setEnabled(count > 0 && m_frames->count() == 0);
    m_hint->setVisible(m_frames->count() == 0 && count > 0);
    if (count == 0)
        return;
    const QString size =
        QStringLiteral("%1 %2").arg(count).arg(count == 1 ? QStringLiteral("frame") : QStringLiteral("frames"));
    m_hint->setText(QStringLiteral("The previous list had %1.\n\nCtrl+R or \"Restore previous list\" in this "
                                   "list's context menu brings it back.")
                        .arg(m_lineTime
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
    QString why;
    const auto read = FrameListFile::read(file, &why);
    if (!read) {
        Modals::message(m_window, why, QString(), QMessageBox::Warning, QMessageBox::Ok);
        return false;
    }
    const bool unsaved = m_frames->count() > 0 && (m_file.isEmpty() || entries() != m_saved);
    if (unsaved
        && Modals::message(m_window,
                           QStringLiteral("The frames in the list are not saved in a list file. Replace them with "
                                          "the list %1?")
                               .arg(QFileInfo(file).fileName()),
                           QString(), QMessageBox::Question, QMessageBox::Yes | QMessageBox::No)
            != QMessageBox::Yes)
        return false;
    setEntries(*read);
    m_file = QFileInfo(file).absoluteFilePath();
    m_saved = *read;
    showCaption();
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
    QString why;
    const QVector<FrameListFile::Entry> now = entries();
    if (!FrameListFile::write(file, now, &why)) {
        Modals::message(m_window, QStringLiteral("The list was not saved.\n\n") + why, QString(), QMessageBox::Warning,
                        QMessageBox::Ok);
        return false;
    }
    m_file = QFileInfo(file).absoluteFilePath();
    m_saved = now;
    showCaption();
    return true;
}

bool FrameListFiles::restorePrevious()
{
    QString why;
    const auto read = FrameListFile::read(m_keptFile, &why);
    if (!read || read->isEmpty()) {
        Modals::message(m_window, read ? QStringLiteral("There is no previous list to restore.") : why, QString(),
                        QMessageBox::Information, QMessageBox::Ok);
        return false;
    }
    setEntries(*read);
    m_file.clear();
    showCaption();
    return true;
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
