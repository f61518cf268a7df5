#include "framelist/widgets/frameadder.h"

#include "base/localpath.h"
#include "browser/core/folderlisting.h"
#include "framelist/core/framelistmodel.h"
#include "framelist/core/framelookup.h"
#include "framelist/core/framenumber.h"
#include "framelist/widgets/frmmsgboxreplace.h"
#include "import/core/picturereader.h"
#include "widgets/modals.h"

#include <QAbstractItemView>
#include <QDir>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QTimer>
#include <QUrl>

#include <algorithm>

FrameAdder::FrameAdder(QWidget *window, FrameListModel *frames, FileChoice *files, QAbstractItemView *list)
    : QObject(window)
    , m_window(window)
    , m_frames(frames)
    , m_files(files)
{
    list->setAcceptDrops(true);
    list->viewport()->setAcceptDrops(true);
    list->viewport()->installEventFilter(this);
}

QVector<FrameAdder::File> FrameAdder::droppedBitmaps(const QMimeData *data, QStringList *pictures, int *others)
{
    static const QStringList pictureNames = PictureReader::nameFilters();
    QVector<File> bitmaps;
    int skipped = 0;
    for (const QUrl &url : data->urls()) {
        // Byte-exact, so a name that is not UTF-8 still names its file.
        const QString path =
            url.isLocalFile() ? LocalPath::fromUrlBytes(url.path(QUrl::FullyEncoded).toLatin1()) : QString();
        const QString name = path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
        if (!LocalPath::stat(path).isFile)
            ++skipped;
        else if (name.endsWith(QLatin1String(".bmp"), Qt::CaseInsensitive))
            bitmaps.append({path, name});
        else if (QDir::match(pictureNames, name)) {
            if (pictures)
                pictures->append(path);
        } else {
            ++skipped;
        }
    }
    std::stable_sort(bitmaps.begin(), bitmaps.end(),
                     [](const File &a, const File &b) { return FolderListing::comesBefore(a.name, b.name); });
    if (others)
        *others = skipped;
    return bitmaps;
}

bool FrameAdder::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto *drag = static_cast<QDropEvent *>(event);
        QStringList pictures;
        if (droppedBitmaps(drag->mimeData(), &pictures).isEmpty() && pictures.isEmpty())
            drag->ignore();
        else
            drag->acceptProposedAction();
        return true;
    }
    case QEvent::Drop: {
        auto *drop = static_cast<QDropEvent *>(event);
        QStringList pictures;
        int others = 0;
        const QVector<File> bitmaps = droppedBitmaps(drop->mimeData(), &pictures, &others);
        if (bitmaps.isEmpty() && pictures.isEmpty()) {
            drop->ignore();
            return true;
        }
        drop->acceptProposedAction();
        // The file manager waits for the drop to end; ask the operator once it has.
        QTimer::singleShot(0, this, [this, bitmaps, pictures, others] { addDropped(bitmaps, pictures, others); });
        return true;
    }
    default:
        return QObject::eventFilter(watched, event);
    }
}

void FrameAdder::addDropped(const QVector<File> &files, const QStringList &pictures, int others)
{
    if (!files.isEmpty() && !addFiles(files))
        return;
    if (others > 0) {
        Modals::message(m_window,
                        others == 1
                            ? QStringLiteral("1 dropped file is not a bitmap (.bmp) and was left out.")
                            : QStringLiteral("%1 dropped files are not bitmaps (.bmp) and were left out.").arg(others),
                        QString(), QMessageBox::Information, QMessageBox::Ok);
    }
    if (!pictures.isEmpty())
        emit picturesDropped(pictures);
}

void FrameAdder::cmdCopy_Click()
{
    if (!addFiles(m_files->files(true)))
        return; // a cancelled or refused prompt keeps the selection
    // Whatever the answers to the questions, no file stays selected.
    m_files->clearSelection();
}

void FrameAdder::cmdCopyAll_Click()
{
    addFiles(m_files->files(false));
}

bool FrameAdder::addFiles(const QVector<File> &files)
{
    if (m_endEdit)
        m_endEdit();
    const QString answer = Modals::input(m_window, QStringLiteral("Ofset:"), FrameNumber::nextFree(*m_frames));
    if (answer.isEmpty())
        return false;
    const auto offset = FrameNumber::parseTyped(answer);
    if (!offset) {
        Modals::message(m_window, QString::fromLatin1(FrameNumber::RangeMessage), QStringLiteral("Error"),
                        QMessageBox::Critical, QMessageBox::Ok);
        return false;
    }

    enum Mode { Ask = -1, ReplaceAll = 2, LeaveOut = 4 };
    int mode = Ask;
    int k = 0;
    int beyondLast = 0;
    for (const File &file : files) {
        const int number = *offset + k;
        if (number > FrameNumber::Highest) {
            // The device has no frame numbers past 255.
            ++beyondLast;
            continue;
        }
        const int position = FrameLookup::FindFrame(*m_frames, number);
        if (position == -1) {
            m_frames->add(number, file.path);
            ++k;
            continue;
        }
        if (mode == ReplaceAll) {
            m_frames->setPath(position, file.path);
            ++k;
            continue;
        }
        if (mode != Ask)
            continue;
        const FrameEntry &existing = m_frames->entry(position);
        switch (AskReplaceFrame(
            m_window, FrameNumber::FormatFrameNumber(existing.number) + QStringLiteral("  Frame name:") + existing.path,
            FrameNumber::FormatFrameNumber(number) + QStringLiteral("  ") + file.name)) {
        case frmMsgBoxReplace::Yes:
            m_frames->setPath(position, file.path);
            ++k;
            break;
        case frmMsgBoxReplace::YesToAll:
            m_frames->setPath(position, file.path);
            mode = ReplaceAll;
            ++k;
            break;
        case frmMsgBoxReplace::No:
            ++k;
            break;
        case frmMsgBoxReplace::Cancel:
            mode = LeaveOut;
            break;
        default: // closed: the next file is offered the same number
            break;
        }
    }

    if (beyondLast > 0) {
        Modals::message(m_window,
                        beyondLast == 1
                            ? QStringLiteral("1 file was not added: frame numbers end at 255.")
                            : QStringLiteral("%1 files were not added: frame numbers end at 255.").arg(beyondLast),
                        QString(), QMessageBox::Warning, QMessageBox::Ok);
    }
    return true;
}
