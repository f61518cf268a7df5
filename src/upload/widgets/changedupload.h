#pragma once

#include "upload/widgets/changesurvey.h"
#include "upload/widgets/uploadcontrols.h"

#include <QObject>
#include <QString>

#include <functional>
#include <optional>

class FrameListModel;
class QTimer;
class QWidget;
class SerialPortComponent;
class UploadController;

// "Upload changed frames": sends only the entries the open port's device does not hold by the
// load history. The button tells beforehand how many they are and how long they take, worked
// out again off the window's thread whenever the list, its files or the port change and after
// every upload; pressed, it works them out afresh and sends them through the window's upload.
class ChangedUpload : public QObject
{
    Q_OBJECT
public:
    ChangedUpload(QWidget *window, const UploadControls &controls, UploadController *upload, SerialPortComponent *port,
                  FrameListModel *frames);

    void cmdUploadChanged_Click();
    // The button follows the window's lock; unlocked it is usable while the history is on.
    void setLocked(bool locked);
    // Works the count out again soon.
    void refresh();

    // The label the port's device goes by in what the operator reads: "Com1".
    static QString portLabel(int commPort);

private:
    void surveyNow();
    void surveyed(const ChangeSurvey::Result &result);
    void showKnown(const ChangeSurvey::Result &result);
    void showUnknown();
    void upload(const ChangeSurvey::Result &result);

    QWidget *m_window;
    const UploadControls ui;
    UploadController *m_upload;
    SerialPortComponent *m_port;
    FrameListModel *m_frames;
    ChangeSurvey *m_survey;
    QTimer *m_soon; // gathers a burst of changes into one survey
    bool m_locked = false;
    bool m_pressed = false; // the button was pressed: the survey's answer is sent
};
