#pragma once

#include "upload/widgets/uploadcontrols.h"

#include <QList>

class DirListBox;
class DriveListBox;
class FileListBox;
class QAction;
class QLabel;
class QLineEdit;
class QMainWindow;
class QProgressBar;
class QSize;
class QPushButton;
class QStatusBar;
class QTimer;
class QTreeView;
class QWidget;

// Every control of the main window, placed at its fixed position on the client area.
struct MainWindowControls
{
    // The client area as designed, in twips.
    static constexpr int ClientWidth = 15135;
    static constexpr int ClientHeight = 7680;

    DriveListBox *Drive1 = nullptr;
    DirListBox *Dir1 = nullptr;
    FileListBox *File1 = nullptr;
    QPushButton *cmdCopy = nullptr;
    QPushButton *cmdCopyAll = nullptr;
    QPushButton *cmdRemove = nullptr;
    QTreeView *ListView1 = nullptr;
    QPushButton *cmdSaljiSve = nullptr;
    QPushButton *cmdUploadChanged = nullptr; // "Upload changed frames", above the upload button
    QProgressBar *ProgressBar1 = nullptr;
    QStatusBar *StatusBar1 = nullptr;
    QList<QLabel *> Panels; // panels 1 to 5 at indices 0 to 4
    QLabel *Label6 = nullptr;
    QLabel *lblPort = nullptr; // which port is open, or that none is
    QPushButton *cmdRemoveAll = nullptr;
    QPushButton *cmdStopLoading = nullptr;
    QLineEdit *Text1 = nullptr;
    QLabel *Image1 = nullptr;
    QLabel *Image2 = nullptr;
    QLabel *Image3 = nullptr;
    QTimer *Timer1 = nullptr;
    QTimer *Timer2 = nullptr;
    QAction *mnuFileExit = nullptr;
    QAction *mnuProperties = nullptr;
    QAction *mnuHistory = nullptr; // not locked by an upload: the window only reads
    QAction *mnuAbout = nullptr;
    // Ctrl+I and the file list's context menu; not on the menu bar.
    QAction *actImport = nullptr;

    // Creates the controls on client (the window's client area) and the menu bar on window.
    void build(QMainWindow *window, QWidget *client);

    // Places the controls for a client area of this size. At the designed size, and below it,
    // every control is where the design puts it; room beyond it goes to the frame list and the two
    // previews, and what stands right of or below them moves with the window's edges.
    void arrange(const QSize &client) const;

    // What the upload drives and locks.
    UploadControls forUpload() const;
};
