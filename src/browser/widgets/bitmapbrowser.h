#pragma once

#include "browser/core/filechoice.h"

#include <QObject>
#include <QString>
#include <QStringList>

class DirListBox;
class DriveListBox;
class FileListBox;
class FrameListModel;
class QLabel;
class QWidget;

// The drive, folder and file lists and the two previews of the main window.
class BitmapBrowser : public QObject, public FileChoice
{
    Q_OBJECT
public:
    BitmapBrowser(QWidget *window, DriveListBox *drives, DirListBox *folders, FileListBox *files, QLabel *filePreview,
                  QLabel *framePreview, FrameListModel *frames);

    // Shows folder (and its volume) as the current folder; false when it cannot be listed.
    bool openFolder(const QString &folder);
    // The same without selecting or previewing the first bitmap.
    bool showFolder(const QString &folder);

    // Shows the folder of `paths` (files of one folder) and selects those of them it lists, the
    // first one previewed.
    void selectFiles(const QStringList &paths);

    // The full path of file-list entry index: the folder path, the separator, the name.
    QString filePath(int index) const;

    // The files as they are on disk now: a change the file list has not caught up with yet is
    // listed first.
    QVector<File> files(bool selectedOnly) override;
    void clearSelection() override;

    void Drive1_Change();
    void Dir1_Change();
    void File1_Click();
    // position: the 1-based position of the clicked frame-list entry.
    void ListView1_ItemClick(int position);

signals:
    // A picture was read for a preview (whether it could be shown or not).
    void previewRead(const QString &path);

private:
    void showError(const QString &text);
    bool preview(QLabel *target, const QString &path);

    QWidget *m_window;
    DriveListBox *m_drives;
    DirListBox *m_folders;
    FileListBox *m_files;
    QLabel *m_filePreview;
    QLabel *m_framePreview;
    FrameListModel *m_frames;
    bool m_listOnly = false;
};
