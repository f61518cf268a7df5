#pragma once

#include "scriptedmodals.h"
#include "testsettings.h"

#include "app/frmmain.h"

#include <QMessageBox>
#include <QStringList>
#include <QTemporaryDir>

class DirListBox;
class DriveListBox;
class FileListBox;
class QAbstractItemView;
class QLabel;
class QListWidgetItem;
class QModelIndex;
class QTreeView;

bool writeFile(const QString &path, const QByteArray &bytes);
// Each picture gets a size of its own, so the preview's size tells which file it shows.
QSize pictureSize(int n);
bool writePicture(const QString &path, const QSize &size);

// The texts a list shows, top to bottom.
QStringList rows(const QAbstractItemView *view);

// A box as one line, so a mismatch prints readably.
QString boxLine(const QString &title, const QString &text, QMessageBox::Icon icon,
                QMessageBox::StandardButtons buttons);
QStringList boxes(const ScriptedModals &modals);
QString errorBox(const QString &text);

void clickRow(QAbstractItemView *view, const QModelIndex &index);

enum class Open { DoubleClick, EnterKey };
void openEntry(DirListBox *folders, QListWidgetItem *item, Open how);

// The window shown, browsing a folder of its own that holds one picture.
struct Rig
{
    TestSettings store;
    ScriptedModals modals;
    QTemporaryDir root;
    frmMain window;

    QString folder(const QString &name) const;
    template<typename T> T *get(const char *name) const { return window.findChild<T *>(QString::fromLatin1(name)); }
    DriveListBox *drive() const;
    DirListBox *dir() const;
    FileListBox *files() const;
    QLabel *image1() const;
    QLabel *image2() const;
    QTreeView *frames() const;

    // Everything the browser shows, so "nothing changed" is one comparison.
    QStringList state() const;

    // Makes a subfolder of `parent` and opens `parent` afresh so the folder list shows it.
    QListWidgetItem *showSubfolder(const QString &parent, const QString &name);
};

Q_DECLARE_METATYPE(Open)
