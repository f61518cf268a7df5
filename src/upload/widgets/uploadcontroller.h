#pragma once

#include "upload/core/listupload.h"
#include "upload/core/uploadstate.h"
#include "upload/widgets/uploadcontrols.h"

#include <QObject>
#include <QPointer>
#include <QVector>

#include <functional>
#include <optional>

class ChangedUpload;
class Clock;
class FrameListModel;
class QWidget;
class SerialPortComponent;
class UploadRelay;

// The upload as the main window runs it: the upload button, the stop button, the elapsed-time
// ticker, the status panels, and the lock that keeps the list still while frames go out. The
// frames themselves go out on the serial thread; this side only shows what happens.
class UploadController : public QObject
{
    Q_OBJECT
public:
    // choosePort shows the Properties dialog, as the failure path asks.
    UploadController(QWidget *window, const UploadControls &controls, SerialPortComponent *port, FrameListModel *frames,
                     Clock &clock, std::function<void()> choosePort);
    ~UploadController() override;

    void cmdSaljiSve_Click();
    // The same upload for part of the list: the entry at `position` (1-based) and every one after
    // it, or the given entries in list order.
    void uploadFrom(int position);
    void uploadEntries(QVector<int> positions);
    void cmdStopLoading_Click();
    void Timer1_Timer();

    // True from the start of an upload until its transmission has returned.
    bool isUploading() const { return m_uploading; }
    // The window is closing: stop as the stop button does but without its box, and call `then`
    // when the transmission has returned.
    void stopForClose(std::function<void()> then);

    UploadState &state() { return m_state; }

    // Runs before an upload reads the list: ends a number edit still open in it.
    void setBeforeUpload(std::function<void()> endEdit) { m_endEdit = std::move(endEdit); }
    void endEdit() const
    {
        if (m_endEdit)
            m_endEdit();
    }
    // The list file the list came from, for the load history; empty when none.
    void setListFile(std::function<QString()> listFile) { m_listFile = std::move(listFile); }

    // The clock the frames are paced by on the serial thread (its pauses); by default the steady
    // clock. Tests and the soak benchmark give one without pauses. Must outlive the uploads.
    void setTransmitClock(Clock *clock) { m_transmitClock = clock; }

signals:
    // The transmission has returned and the window has shown what it had to.
    void uploadEnded();

private:
    void lockWindow(bool locked);
    // The two upload buttons wait for a transmission to return, so two never overlap.
    void enableUploadButtons(bool enabled);
    // Back to where the operator was before the upload, once that control can take it again.
    void restoreFocus();
    void showLineStalled(bool stalled);
    // The upload button tells, before it is pressed, how many frames go and how long it takes.
    void showExpectedDuration();
    void onFrameStarting(int position, int count, int number, const QString &name, const QString &path);
    void onFrameFinished(int position, int count, qint64 estimatedTotalMs);
    void onProgress(int progressValue);
    // The transmission has returned with this outcome; the port is free again.
    void onTransmissionReturned(UploadOutcome outcome);
    void finish(const UploadOutcome &outcome);
    // After a stop or a failure: the entry that did not go out whole is the current, selected one.
    void showUnsent(const UploadOutcome &outcome);
    bool stopped() const { return m_state.StopRequested.load(); }

    QWidget *m_window;
    const UploadControls ui;
    std::function<void()> m_choosePort;
    std::function<void()> m_endEdit;
    std::function<QString()> m_listFile;
    ChangedUpload *m_changed = nullptr;
    QString m_recordingLost; // why this upload is no longer recorded; empty while it is
    SerialPortComponent *m_port;
    FrameListModel *m_frames;
    Clock &m_clock;
    Clock *m_transmitClock = nullptr;
    UploadState m_state;
    UploadRelay *m_relay;
    bool m_uploading = false;
    bool m_stopShown = false; // this upload's "Upload stopped!" has been shown
    bool m_stopBoxOpen = false;
    std::optional<UploadOutcome> m_returnedDuringStopBox;
    std::function<void()> m_afterClose;
    QPointer<QWidget> m_focusBefore;
    QVector<int> m_positions; // the list entries this upload sends, in order
    int m_repeatedNumber = -1; // the frame going out again after the device server was called again
};
