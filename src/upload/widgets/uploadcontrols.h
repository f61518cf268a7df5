#pragma once

#include <QList>
#include <QString>

class QAction;
class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;
class QWidget;

// The controls of the main window that the upload drives, handed over by the window.
struct UploadControls
{
    QPushButton *cmdSaljiSve = nullptr; // the upload button
    QPushButton *cmdStopLoading = nullptr; // the stop button
    QPushButton *cmdUploadChanged = nullptr; // "Upload changed frames"; none: not offered
    QProgressBar *ProgressBar1 = nullptr;
    QList<QLabel *> Panels; // the status bar's panels 1 to 5
    QLabel *Image2 = nullptr; // shows the frame being sent
    QTimer *Timer1 = nullptr; // the elapsed-time ticker
    QWidget *ListView1 = nullptr; // the frame list: where the focus waits for the upload button
    QWidget *Text1 = nullptr; // the pattern box, kept out of the focus while locked
    QList<QWidget *> locked; // what the lock disables besides the two buttons
    QList<QAction *> menus; // the menu commands, disabled while locked

    // Sets panel n (1-5).
    void setPanel(int n, const QString &text) const;
    void setAllPanels(const QString &text) const;
};
