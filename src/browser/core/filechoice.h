#pragma once

#include <QString>
#include <QVector>

// What the browser offers those who take files from it (the frame list's adders): the bitmaps of
// the shown folder as they are on disk now, in the file list's order, which of them the operator
// selected, and the clearing of that selection.
class FileChoice
{
public:
    // A file: its full path and its name as the file list shows it.
    struct File
    {
        QString path;
        QString name;
    };

    virtual ~FileChoice() = default;
    virtual QVector<File> files(bool selectedOnly) = 0;
    virtual void clearSelection() = 0;
};
