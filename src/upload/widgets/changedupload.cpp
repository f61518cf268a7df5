#include "upload/widgets/changedupload.h"

#include "framelist/core/framelistmodel.h"
#include "history/core/historysettings.h"
#include "serial/core/serialportcomponent.h"
#include "upload/widgets/uploadcontroller.h"
#include "widgets/modals.h"

#include <QPushButton>
#include <QTimer>

#include <utility>

namespace {
const QString Caption = QStringLiteral("Upload changed frames");
constexpr int GatherMs = 100;
} // namespace

ChangedUpload::ChangedUpload(QWidget *window, const UploadControls &controls, UploadController *upload,
                             SerialPortComponent *port, FrameListModel *frames)
    : QObject(upload)
    , m_window(window)
    , ui(controls)
    , m_upload(upload)
    , m_port(port)
    , m_frames(frames)
    , m_survey(new ChangeSurvey(this))
    , m_soon(new QTimer(this))
{
    m_soon->setSingleShot(true);
    m_soon->setInterval(GatherMs);
    connect(m_soon, &QTimer::timeout, this, &ChangedUpload::surveyNow);
    connect(m_survey, &ChangeSurvey::surveyed, this, &ChangedUpload::surveyed);
    connect(ui.cmdUploadChanged, &QPushButton::clicked, this, &ChangedUpload::cmdUploadChanged_Click);
    for (const auto changed : {&FrameListModel::rowsInserted, &FrameListModel::rowsRemoved})
        connect(m_frames, changed, this, &ChangedUpload::refresh);
    connect(m_frames, &FrameListModel::modelReset, this, &ChangedUpload::refresh);
    connect(m_frames, &FrameListModel::dataChanged, this, &ChangedUpload::refresh);
    connect(m_frames, &FrameListModel::fileLooked, this, &ChangedUpload::refresh);
    connect(m_port, &SerialPortComponent::portOpenChanged, this, &ChangedUpload::refresh);
    connect(m_upload, &UploadController::uploadEnded, this, &ChangedUpload::refresh);
    setLocked(false);
    refresh();
}

QString ChangedUpload::portLabel(int commPort)
{
    return QStringLiteral("Com%1").arg(commPort);
}

void ChangedUpload::setLocked(bool locked)
{
    m_locked = locked;
    const bool on = HistorySettings::enabled();
    ui.cmdUploadChanged->setEnabled(!locked && on);
    if (!on) {
        m_survey->clear();
        ui.cmdUploadChanged->setToolTip(
            QStringLiteral("The load history is off, so what the device holds is not known: every upload sends "
                           "the frames chosen."));
    }
}

void ChangedUpload::refresh()
{
    // The upload's marks change the list's rows; what it sent is surveyed once it ends.
    if (!m_upload->isUploading())
        m_soon->start();
}

void ChangedUpload::surveyNow()
{
    setLocked(m_locked); // the history may have been turned on or off meanwhile
    if (!HistorySettings::enabled())
        return;
    ChangeSurvey::Request request;
    request.historyPath = HistorySettings::path();
    request.deviceText = m_port->devicePath();
    for (const FrameEntry &entry : m_frames->entries())
        request.jobs.append({entry.number, entry.path});
    if (!m_pressed)
        showUnknown();
    m_survey->request(request);
}

void ChangedUpload::showUnknown()
{
    ui.cmdUploadChanged->setToolTip(Caption);
}

void ChangedUpload::surveyed(const ChangeSurvey::Result &result)
{
    if (m_upload->isUploading()) { // begun meanwhile: surveyed again once it ends, and not sent
        m_pressed = false;
        return;
    }
    showKnown(result);
    if (std::exchange(m_pressed, false))
        upload(result);
}

void ChangedUpload::showKnown(const ChangeSurvey::Result &result)
{
    const QString port = portLabel(m_port->CommPort());
    if (!result.changed) {
        ui.cmdUploadChanged->setToolTip(Caption + QStringLiteral(": ") + result.error);
        return;
    }
    QString tip = result.changed->countText(result.total, port, m_port->lineSettings());
    if (!result.changed->reason.isEmpty())
        tip += QStringLiteral(" (%1)").arg(result.changed->reason);
    ui.cmdUploadChanged->setToolTip(tip);
}

void ChangedUpload::cmdUploadChanged_Click()
{
    if (m_upload->isUploading() || !HistorySettings::enabled())
        return;
    m_upload->endEdit();
    // Worked out afresh: a file may have changed since the count was shown.
    m_pressed = true;
    m_soon->stop();
    surveyNow();
}

void ChangedUpload::upload(const ChangeSurvey::Result &result)
{
    const QString port = portLabel(m_port->CommPort());
    if (!result.changed) {
        Modals::message(m_window,
                        QStringLiteral("What %1 holds cannot be worked out: %2\n\nThe upload button sends every frame.")
                            .arg(port, result.error),
                        QString(), QMessageBox::Warning, QMessageBox::Ok);
        return;
    }
    if (result.changed->positions.isEmpty()) {
        Modals::message(m_window, QStringLiteral("Nothing differs from what %1 holds").arg(port), QString(),
                        QMessageBox::Information, QMessageBox::Ok);
        return;
    }
    if (!result.changed->reason.isEmpty()) {
        const QString why = QStringLiteral("Uploading to %1: %2.").arg(port, result.changed->reason);
        ui.setPanel(1, why);
        Modals::message(m_window, why, QString(), QMessageBox::Information, QMessageBox::Ok);
    }
    QVector<int> positions;
    for (const int position : result.changed->positions)
        positions.append(position + 1); // the list's entries count from 1
    m_upload->uploadEntries(positions);
}
