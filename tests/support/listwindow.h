#pragma once

#include "scriptedmodals.h"
#include "testsettings.h"

#include "app/frmmain.h"

#include <QStringList>
#include <QTemporaryDir>

#include <memory>

class FrameListFiles;
class FrameListModel;
class QLineEdit;

// The main window with its list kept in a folder of the test's own, where the bitmaps and list
// files of the test are made too.
struct ListWindow
{
    TestSettings store;
    ScriptedModals modals;
    QTemporaryDir dir;
    std::unique_ptr<frmMain> window;

    // opened: with its window at once; without, the window waits for open().
    explicit ListWindow(bool opened = true);
    // A new window, as after the program was ended and started again; active, for its keys.
    void open();

    // A frame bitmap of that name in the folder, made when it is not there.
    QString bitmap(const QString &name) const;
    // Adds "NUMBER=NAME" entries, NAME.bmp being a bitmap in the folder.
    void fill(const QStringList &entries) const;
    FrameListModel *list() const;
    FrameListFiles *files() const;
    // "text=file name", with "!" after an entry whose number is given twice.
    QStringList entries() const;
    // The caption with "*" where the window shows its modified mark.
    QString caption() const;
    void writeList(const QString &name, const QByteArray &text) const;
    QByteArray fileText(const QString &name) const;
    // A key with Ctrl, as the window's shortcuts take it.
    void key(Qt::Key key) const;
    void click(const char *button) const;
    // Opens the in-place editor on entry `row` as the operator does, and types.
    QLineEdit *startEdit(int row, const QString &typed) const;
};
