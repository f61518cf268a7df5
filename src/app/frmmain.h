#pragma once

#include "app/mainwindowcontrols.h"
#include "base/clock.h"
#include "serial/core/portsettings.h"

#include <QMainWindow>

class BitmapBrowser;
class FrameAdder;
class FrameEditor;
class FrameListFiles;
class FrameListModel;
class HistoryWindow;
class SerialPortComponent;
class UploadController;

// The main window "Drelin Image uploader": its controls, menus, start-up and shutdown.
class frmMain : public QMainWindow
{
    Q_OBJECT
public:
    // The upload's durations are told by `clock` (which must outlive the window), or when null
    // by the window's own steady clock.
    // keptList: where the list is kept between runs; empty for the user's data folder.
    explicit frmMain(QWidget *parent = nullptr, Clock *clock = nullptr, const QString &keptList = QString());
    ~frmMain() override;

    // The start-up sequence, run once before the window is first shown.
    void Form_Load();
    // Closes the port if it is open; does nothing otherwise.
    void Form_Unload();

    void mnuFileExit_Click();
    void mnuProperties_Click();
    void mnuHistory_Click();
    void mnuAbout_Click();
    // The import dialog with these pictures; the frame files it writes are selected in the file
    // list and, when the operator asks, added to the frame list.
    void importPictures(const QStringList &pictures = {});

    SerialPortComponent &MSComm1() { return *m_comm; }
    const MainWindowControls &controls() const { return ui; }
    FrameListModel *frameList() const { return m_frames; }
    BitmapBrowser *browser() const { return m_browser; }
    UploadController *upload() const { return m_upload; }
    FrameEditor *editor() const { return m_editor; }
    FrameListFiles *listFiles() const { return m_listFiles; }
    HistoryWindow *history() const { return m_history; }

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void OpenPort();
    void showPortState();
    void buildFrameListMenu();

    MainWindowControls ui;
    SerialPortComponent *m_comm;
    FrameListModel *m_frames;
    BitmapBrowser *m_browser = nullptr;
    UploadController *m_upload = nullptr;
    FrameEditor *m_editor = nullptr;
    FrameAdder *m_adder = nullptr;
    FrameListFiles *m_listFiles = nullptr;
    HistoryWindow *m_history = nullptr; // made when first opened
    bool m_closeAgreed = false; // the list's unsaved changes were settled for closing
    PortSettings m_settings;
    SteadyClock m_clock;
};
