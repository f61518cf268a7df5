#include "browser/widgets/bitmapbrowser.h"

#include "base/localpath.h"
#include "browser/widgets/dirlistbox.h"
#include "browser/widgets/drivelistbox.h"
#include "browser/widgets/filelistbox.h"
#include "framelist/core/framelistmodel.h"
#include "framelist/core/framelookup.h"
#include "widgets/deviceviewtoggle.h"
#include "widgets/modals.h"
#include "widgets/preview.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QSet>
#include <QStorageInfo>

BitmapBrowser::BitmapBrowser(QWidget *window, DriveListBox *drives, DirListBox *folders, FileListBox *files,
                             QLabel *filePreview, QLabel *framePreview, FrameListModel *frames)
    : QObject(window)
    , m_window(window)
    , m_drives(drives)
    , m_folders(folders)
    , m_files(files)
    , m_filePreview(filePreview)
    , m_framePreview(framePreview)
    , m_frames(frames)
{
    new DeviceViewToggle(this, {filePreview, framePreview});
    connect(m_drives, &DriveListBox::driveChanged, this, &BitmapBrowser::Drive1_Change);
    connect(m_folders, &DirListBox::pathChanged, this, &BitmapBrowser::Dir1_Change);
    connect(m_files, &FileListBox::fileClicked, this, &BitmapBrowser::File1_Click);
    connect(m_folders, &DirListBox::openFailed, this, [this](const QString &folder) {
        showError(QStringLiteral("The folder %1 cannot be opened.").arg(QDir::toNativeSeparators(folder)));
    });
    // The folder went away under the operator, who did not ask to go anywhere: show the nearest
    // one left without a box or a preview, so the lists hold no files that are gone.
    connect(m_folders, &DirListBox::folderGone, this, [this](const QString &nearest) { showFolder(nearest); });
}

bool BitmapBrowser::preview(QLabel *target, const QString &path)
{
    emit previewRead(path);
    return Preview::load(target, path);
}

bool BitmapBrowser::openFolder(const QString &folder)
{
    const QString before = m_folders->path();
    if (!m_folders->setPath(folder))
        return false;
    // A new folder brings the drive list along (Dir1_Change); the same folder again only puts the
    // drive list back on its volume.
    if (m_folders->path() == before)
        m_drives->showDriveOf(before);
    return true;
}

bool BitmapBrowser::showFolder(const QString &folder)
{
    m_listOnly = true;
    const bool shown = openFolder(folder);
    m_listOnly = false;
    return shown;
}

void BitmapBrowser::selectFiles(const QStringList &paths)
{
    if (paths.isEmpty())
        return;
    const QString folder = QFileInfo(paths.first()).absolutePath();
    if (QDir::cleanPath(folder) != QDir::cleanPath(m_folders->path()) && !showFolder(folder))
        return;
    m_files->syncWithDisk();
    QSet<QString> names;
    for (const QString &path : paths)
        names.insert(QFileInfo(path).fileName());
    bool first = true;
    for (int index = 0; index < m_files->ListCount(); ++index) {
        if (!names.contains(m_files->List(index)))
            continue;
        if (first)
            m_files->selectAndClick(index);
        else
            m_files->setSelected(index, true);
        first = false;
    }
}

QString BitmapBrowser::filePath(int index) const
{
    // The folder path as the folder list reports it, the separator, then the name as listed.
    return m_folders->path() + QLatin1Char('/') + m_files->List(index);
}

QVector<FileChoice::File> BitmapBrowser::files(bool selectedOnly)
{
    m_files->syncWithDisk();
    QVector<File> result;
    for (int index = 0; index < m_files->ListCount(); ++index) {
        if (!selectedOnly || m_files->Selected(index))
            result.append({filePath(index), m_files->List(index)});
    }
    return result;
}

void BitmapBrowser::clearSelection()
{
    for (int index = 0; index < m_files->ListCount(); ++index) {
        if (m_files->Selected(index))
            m_files->setSelected(index, false);
    }
}

void BitmapBrowser::showError(const QString &text)
{
    Modals::message(m_window, text, QStringLiteral("Error"), QMessageBox::Critical, QMessageBox::Ok);
}

void BitmapBrowser::Drive1_Change()
{
    const QString root = m_drives->drive();
    const QStorageInfo volume(root);
    if (!volume.isValid() || !volume.isReady()) {
        showError(QStringLiteral("Drive not ready!"));
        return;
    }
    // The drive list keeps showing the chosen volume even when its folder cannot be opened.
    if (!m_folders->setPath(root))
        showError(QStringLiteral("Unknown error!"));
}

void BitmapBrowser::Dir1_Change()
{
    // The folder may now be on another volume, whichever way it was opened.
    m_drives->showDriveOf(m_folders->path());
    m_files->setPath(m_folders->path());
    if (!m_listOnly && m_files->ListCount() > 0)
        m_files->selectAndClick(0);
}

void BitmapBrowser::File1_Click()
{
    const int index = m_files->ListIndex();
    if (index < 0)
        return;
    if (!preview(m_filePreview, filePath(index)))
        showError(QStringLiteral("Unknown error!"));
}

void BitmapBrowser::ListView1_ItemClick(int position)
{
    if (position < 1 || position > m_frames->count())
        return;
    // Entries with the same number preview the file of the first of them.
    const int first = FrameLookup::FindFrame(*m_frames, m_frames->entry(position).number);
    if (!preview(m_framePreview, m_frames->entry(first).path))
        showError(QStringLiteral("Unknown error!"));
}
