#include "upload/widgets/uploadcontroller.h"

#include "base/clock.h"
#include "base/duration.h"
#include "base/threadcheck.h"
#include "frame/wireformat.h"
#include "framelist/core/framelistmodel.h"
#include "framelist/core/framenumber.h"
#include "history/core/historyrecording.h"
#include "serial/core/serialportcomponent.h"
#include "upload/core/uploadcheck.h"
#include "upload/core/uploadrelay.h"
#include "upload/widgets/changedupload.h"
#include "upload/widgets/uploadhistory.h"
#include "widgets/modals.h"
#include "widgets/preview.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include <algorithm>
#include <numeric>

namespace {
constexpr const char *LineStalledText = "The line takes nothing";
}

UploadController::UploadController(QWidget *window, const UploadControls &controls, SerialPortComponent *port,
                                   FrameListModel *frames, Clock &clock, std::function<void()> choosePort)
    : QObject(window)
    , m_window(window)
    , ui(controls)
    , m_choosePort(std::move(choosePort))
    , m_port(port)
    , m_frames(frames)
    , m_clock(clock)
    , m_relay(new UploadRelay(this))
{
    connect(ui.cmdSaljiSve, &QPushButton::clicked, this, &UploadController::cmdSaljiSve_Click);
    connect(ui.cmdStopLoading, &QPushButton::clicked, this, &UploadController::cmdStopLoading_Click);
    connect(ui.Timer1, &QTimer::timeout, this, &UploadController::Timer1_Timer);

    connect(m_relay, &UploadRelay::frameStartingSignal, this, &UploadController::onFrameStarting);
    connect(m_relay, &UploadRelay::frameFinishedSignal, this, &UploadController::onFrameFinished);
    connect(m_relay, &UploadRelay::progressSignal, this, &UploadController::onProgress);
    connect(m_relay, &UploadRelay::frameRepeatedSignal, this, [this](int number) { m_repeatedNumber = number; });
    connect(m_relay, &UploadRelay::frameBegunSignal, this, [this] {
        if (stopped())
            return;
        ui.cmdStopLoading->setVisible(true);
        ui.cmdStopLoading->setFocus(); // the one thing to press while frames go out
    });
    connect(m_relay, &UploadRelay::tickerStartedSignal, this, [this] {
        if (!stopped())
            ui.Timer1->start();
    });
    connect(m_relay, &UploadRelay::frameEndedSignal, this, [this] {
        if (stopped())
            return;
        ui.cmdStopLoading->setVisible(false);
        ui.Timer1->stop();
    });
    connect(m_relay, &UploadRelay::frameCutShortSignal, ui.Timer1, &QTimer::stop);
    connect(m_port, &SerialPortComponent::lineStalled, this, &UploadController::showLineStalled);
    for (const auto changed : {&FrameListModel::rowsInserted, &FrameListModel::rowsRemoved})
        connect(m_frames, changed, this, &UploadController::showExpectedDuration);
    connect(m_frames, &FrameListModel::modelReset, this, &UploadController::showExpectedDuration);
    showExpectedDuration();
    connect(m_relay, &UploadRelay::recordingLostSignal, this, [this](const QString &why) {
        m_recordingLost = why;
        if (!stopped())
            ui.setPanel(1, QStringLiteral("Loading frame... (not recorded)"));
        ui.Panels.first()->setToolTip(why);
    });
    if (ui.cmdUploadChanged)
        m_changed = new ChangedUpload(window, ui, this, port, frames);
}

void UploadController::showExpectedDuration()
{
    const int count = m_frames->count();
    if (count == 0) {
        ui.cmdSaljiSve->setToolTip(QStringLiteral("No frames in the list"));
        return;
    }
    const LineSettings line = m_port->lineSettings();
    ui.cmdSaljiSve->setToolTip(QStringLiteral("%1 %2, about %3 at %4 bit/s")
                                   .arg(count)
                                   .arg(count == 1 ? QStringLiteral("frame") : QStringLiteral("frames"))
                                   .arg(formatDuration(expectedUploadMs(count, line.baudRate, line.bitsPerCharacter())))
                                   .arg(line.baudRate));
}

UploadController::~UploadController() = default;

void UploadController::lockWindow(bool locked)
{
    // With the rest disabled the focus would fall into the pattern box, which swallows keys: the
    // window holds it until the stop button shows.
    ui.Text1->setFocusPolicy(locked ? Qt::NoFocus : Qt::StrongFocus);
    if (locked) {
        QWidget *focused = QApplication::focusWidget();
        m_focusBefore = focused && m_window->isAncestorOf(focused) ? focused : nullptr;
        if (m_focusBefore)
            m_window->setFocus();
        ui.cmdStopLoading->setEnabled(true);
    }
    enableUploadButtons(!locked && !m_uploading);
    for (QWidget *control : ui.locked)
        control->setEnabled(!locked);
    for (QAction *menu : ui.menus)
        menu->setEnabled(!locked);
    if (!locked) {
        restoreFocus();
        ui.cmdStopLoading->setEnabled(false); // last, so the focus does not wander when it goes
    }
}

void UploadController::enableUploadButtons(bool enabled)
{
    ui.cmdSaljiSve->setEnabled(enabled);
    if (m_changed)
        m_changed->setLocked(!enabled);
}

void UploadController::restoreFocus()
{
    QWidget *target = m_focusBefore;
    if (!target || !target->isEnabled() || !target->isVisible())
        target = ui.ListView1; // until the upload button is back
    else
        m_focusBefore = nullptr;
    target->setFocus();
}

void UploadController::showLineStalled(bool stalled)
{
    if (!m_uploading || stopped())
        return;
    ui.setPanel(1, stalled ? QString::fromLatin1(LineStalledText) : QStringLiteral("Loading frame..."));
    ui.Panels.first()->setToolTip(stalled ? QStringLiteral("The device has taken no characters for %1 seconds: check "
                                                           "the cable and that the device is on. Stop ends the upload.")
                                                .arg(m_port->stallAfterMs() / 1000)
                                          : QString());
}

void UploadController::cmdSaljiSve_Click()
{
    endEdit();
    QVector<int> all(m_frames->count());
    std::iota(all.begin(), all.end(), 1);
    uploadEntries(all);
}

void UploadController::uploadFrom(int position)
{
    endEdit();
    QVector<int> rest;
    for (int p = std::max(1, position); p <= m_frames->count(); ++p)
        rest.append(p);
    uploadEntries(rest);
}

void UploadController::uploadEntries(QVector<int> positions)
{
    DRELIN_ASSERT_THREAD(this);
    if (m_uploading)
        return;
    std::sort(positions.begin(), positions.end());
    positions.erase(std::unique(positions.begin(), positions.end()), positions.end());
    positions.erase(
        std::remove_if(positions.begin(), positions.end(), [this](int p) { return p < 1 || p > m_frames->count(); }),
        positions.end());
    const int count = int(positions.size());
    if (count < 1) {
        Modals::message(m_window, QStringLiteral("Nothing to upload"), QString(), QMessageBox::Warning,
                        QMessageBox::Ok);
        return;
    }
    if (!m_port->PortOpen()) {
        // Said before anything starts: nothing was sent, so nothing was stopped.
        Modals::message(m_window,
                        QStringLiteral("No serial port is open, so nothing was sent. Choose a working port in "
                                       "Properties, then upload again."),
                        QString(), QMessageBox::Warning, QMessageBox::Ok);
        return;
    }
    QVector<UploadJob> jobs;
    for (const int position : qAsConst(positions))
        jobs.append({m_frames->entry(position).number, m_frames->entry(position).path});
    const auto problems = UploadCheck::check(jobs);
    const QStringList twice = UploadCheck::duplicates(jobs);
    if (!problems.isEmpty()) {
        Modals::message(m_window, UploadCheck::describe(problems, twice), QString(), QMessageBox::Critical,
                        QMessageBox::Ok);
        return;
    }
    // The device takes them, keeping the later frame: the operator may mean it.
    if (!twice.isEmpty()
        && Modals::message(m_window, UploadCheck::describeDuplicates(twice) + QStringLiteral("\n\nUpload anyway?"),
                           QString(), QMessageBox::Question, QMessageBox::Yes | QMessageBox::No)
            != QMessageBox::Yes)
        return;
    std::optional<RecordingPlan> recording;
    if (!UploadHistory::prepare(m_window, m_port->devicePath(), ChangedUpload::portLabel(m_port->CommPort()),
                                m_listFile ? m_listFile() : QString(), &recording))
        return;

    m_state.StopRequested = false;
    m_recordingLost.clear();
    ui.Panels.first()->setToolTip(QString());
    m_state.ProgressValue = 0;
    m_state.UploadStartTime = m_clock.nowMs();
    m_uploading = true;
    m_stopShown = false;
    m_positions = positions;
    m_repeatedNumber = -1;
    lockWindow(true);
    m_frames->setUploadMarks(m_positions, -1); // all waiting
    ui.ProgressBar1->setValue(0);
    ui.ProgressBar1->setMaximum(count * UploadState::ProgressPerFrame);

    UploadState *state = &m_state;
    UploadRelay *relay = m_relay;
    Clock *pacing = m_transmitClock;
    const bool started = m_port->startJob<UploadOutcome>(
        [jobs, state, relay, pacing, recording](SerialLink &link) {
            SteadyClock steady;
            ListUpload upload(link, pacing ? *pacing : steady, *state, relay);
            // Made and ended here: its connection to the history belongs to this thread.
            std::unique_ptr<HistoryRecording> record;
            if (recording)
                record =
                    std::make_unique<HistoryRecording>(recording->historyPath, recording->destination, recording->info);
            upload.setRecord(record.get());
            return upload.run(jobs);
        },
        this, [this](const UploadOutcome &outcome) { onTransmissionReturned(outcome); }, &m_state.StopRequested);
    if (!started) { // cannot happen while m_uploading guards the button; never leave the window locked
        m_uploading = false;
        lockWindow(false);
    }
}

void UploadController::onFrameStarting(int position, int count, int number, const QString &name, const QString &path)
{
    DRELIN_ASSERT_THREAD(this);
    if (stopped())
        return;
    ui.setPanel(1,
                number == m_repeatedNumber
                    ? QStringLiteral("Reconnected after the line was lost: loading frame %1 again whole...")
                          .arg(FrameNumber::FormatFrameNumber(number))
                    : QStringLiteral("Loading frame...")
                        + (m_recordingLost.isEmpty() ? QString() : QStringLiteral(" (not recorded)")));
    ui.setPanel(2,
                QStringLiteral("Frame number: %1   (%2/%3)")
                    .arg(FrameNumber::FormatFrameNumber(number))
                    .arg(position)
                    .arg(count));
    ui.setPanel(3, QStringLiteral("Name: ") + name);
    m_frames->setUploadMarks(m_positions, position - 1);
    Preview::load(ui.Image2, path); // the file was checked; a failed preview changes nothing
}

void UploadController::onFrameFinished(int position, int count, qint64 estimatedTotalMs)
{
    if (stopped())
        return;
    m_frames->setUploadMarks(m_positions, position);
    // The frames left at the same pace as the whole.
    const qint64 leftMs = count > 0 ? estimatedTotalMs * (count - position) / count : 0;
    ui.setPanel(
        5,
        QStringLiteral("Estimated: %1 in all, %2 left").arg(formatDuration(estimatedTotalMs), formatDuration(leftMs)));
}

void UploadController::onProgress(int progressValue)
{
    if (!stopped())
        ui.ProgressBar1->setValue(progressValue);
}

void UploadController::Timer1_Timer()
{
    DRELIN_ASSERT_THREAD(this);
    ui.setPanel(4, QStringLiteral("Total loading time: ") + formatDuration(m_clock.nowMs() - m_state.UploadStartTime));
}

void UploadController::cmdStopLoading_Click()
{
    DRELIN_ASSERT_THREAD(this);
    m_state.StopRequested = true;
    m_stopShown = true;
    ui.Timer1->stop();
    lockWindow(false);
    // The transmission may return while the box is open; what it brings is shown after the box.
    m_stopBoxOpen = true;
    Modals::message(m_window, QStringLiteral("Upload stopped!"), QStringLiteral("Info"), QMessageBox::Information,
                    QMessageBox::Ok);
    m_stopBoxOpen = false;
    ui.ProgressBar1->setValue(0);
    ui.setAllPanels(QStringLiteral(" "));
    if (const auto returned = std::exchange(m_returnedDuringStopBox, std::nullopt))
        finish(*returned);
}

void UploadController::stopForClose(std::function<void()> then)
{
    DRELIN_ASSERT_THREAD(this);
    m_afterClose = std::move(then);
    // The frame ends as a stop ends it, so the device gets the same bytes.
    m_state.StopRequested = true;
}

void UploadController::onTransmissionReturned(UploadOutcome outcome)
{
    DRELIN_ASSERT_THREAD(this);
    // Decided before any box is shown: a stop pressed after the last group went out is a stop.
    if (outcome.result == UploadOutcome::Finished && stopped())
        outcome.result = UploadOutcome::Stopped;
    // The stop box is open (a real one runs the event loop): what came back is told after it.
    if (m_stopBoxOpen)
        m_returnedDuringStopBox = outcome;
    else
        finish(outcome);
}

void UploadController::finish(const UploadOutcome &outcome)
{
    m_uploading = false;
    m_frames->clearUploadMarks();
    if (m_afterClose) {
        const auto close = std::move(m_afterClose);
        m_afterClose = nullptr;
        close();
        return;
    }

    switch (outcome.result) {
    case UploadOutcome::Finished:
        ui.Timer1->stop();
        Modals::message(m_window,
                        QStringLiteral("Upload finished!\r\n\r\nTotal upload time: ")
                            + formatDuration(m_clock.nowMs() - m_state.UploadStartTime),
                        QStringLiteral("Info"), QMessageBox::Information, QMessageBox::Ok);
        lockWindow(false);
        ui.setAllPanels(QStringLiteral(" "));
        break;
    case UploadOutcome::Stopped:
        showUnsent(outcome);
        // The stop action has restored the window; only the upload buttons waited for this.
        enableUploadButtons(!ui.cmdStopLoading->isEnabled());
        if (m_focusBefore == ui.cmdSaljiSve && m_window->focusWidget() == ui.ListView1)
            restoreFocus();
        break;
    case UploadOutcome::Failed: {
        // After the operator's own stop the stop box has been shown already: one stop, one box.
        if (!m_stopShown)
            cmdStopLoading_Click();
        else
            lockWindow(false); // the upload button waited for the transmission
        showUnsent(outcome);
        Modals::message(m_window, outcome.error, QString(), QMessageBox::Warning, QMessageBox::Ok);
        m_choosePort();
        break;
    }
    }
    // Told once the upload is over, not in the middle of it.
    if (!m_recordingLost.isEmpty())
        Modals::message(m_window,
                        m_recordingLost + QStringLiteral("\n\nThe upload went on without recording what it sent."),
                        QString(), QMessageBox::Warning, QMessageBox::Ok);
    emit uploadEnded();
}

void UploadController::showUnsent(const UploadOutcome &outcome)
{
    auto *list = qobject_cast<QAbstractItemView *>(ui.ListView1);
    if (!list || outcome.framesSent >= m_positions.size())
        return;
    const QModelIndex entry = m_frames->index(m_positions.at(outcome.framesSent) - 1, 0);
    list->setCurrentIndex(entry); // selects it alone, as a click does
    list->scrollTo(entry);
}
