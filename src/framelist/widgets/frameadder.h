#pragma once

#include "browser/core/filechoice.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>

class FrameListModel;
class QAbstractItemView;
class QMimeData;
class QWidget;

// Adds files from the bitmap browser to the frame list: ">" the selected files, ">>" all of
// them, numbered from an offset the operator types, asking before a taken number is replaced.
// Bitmaps dropped on the frame list from a file manager are added as ">" adds the same files;
// pictures of other kinds dropped there are handed on to be made into frames.
class FrameAdder : public QObject
{
    Q_OBJECT
public:
    using File = FileChoice::File;

    FrameAdder(QWidget *window, FrameListModel *frames, FileChoice *files, QAbstractItemView *list);

    void cmdCopy_Click();
    void cmdCopyAll_Click();

    // Asks for the offset and numbers `files` from it in the order given. Returns false when the
    // operator cancelled the prompt or typed a number that is refused.
    bool addFiles(const QVector<File> &files);

    // Runs before the list is looked at: ends a number edit still open in it.
    void setBeforeChange(std::function<void()> endEdit) { m_endEdit = std::move(endEdit); }

    // The dropped files that are bitmaps, in file-list order, the pictures of other kinds (in the
    // order dropped), and how many other files were dropped.
    static QVector<File> droppedBitmaps(const QMimeData *data, QStringList *pictures = nullptr, int *others = nullptr);

signals:
    // Pictures that are not frame bitmaps were dropped on the frame list.
    void picturesDropped(const QStringList &paths);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void addDropped(const QVector<File> &files, const QStringList &pictures, int others);

    QWidget *m_window;
    FrameListModel *m_frames;
    FileChoice *m_files;
    std::function<void()> m_endEdit;
};
