#include "cli/uploaddestination.h"

#include "cli/capturelink.h"
#include "cli/uploadreport.h"
#include "core/outputfile.h"
#include "framelist/core/framenumber.h"
#include "serial/core/portsettings.h"
#include "serial/core/serialportcomponent.h"
#include "serial/core/serialsetup.h"

// Tells the report what one destination's upload does, on that destination's thread.
class UploadDestination::Observer : public UploadObserver
{
public:
    Observer(UploadReport &report, int index)
        : m_report(report)
        , m_index(index)
    { }

    void frameStarting(int position, int, const UploadJob &job, const QString &name) override
    {
        m_job = job;
        m_name = name;
        m_report.frameStarting(m_index, position, name);
    }
    void frameFinished(int, int, qint64 estimatedTotalMs) override
    {
        m_report.frameSent(m_index,
                           QStringLiteral("Frame %1 (%2) sent: %3")
                               .arg(FrameNumber::FormatFrameNumber(m_job.number), m_name, m_job.path),
                           estimatedTotalMs);
    }

private:
    UploadReport &m_report;
    int m_index;
    UploadJob m_job;
    QString m_name;
};

QStringList UploadDestination::Target::arguments() const
{
    switch (kind) {
    case Kind::StoredPort:
        return {};
    case Kind::Port:
        return {QStringLiteral("--port"), QString::number(port)};
    case Kind::Device:
        return {QStringLiteral("--device"), path};
    case Kind::Capture:
        return {QStringLiteral("--capture"), path};
    }
    return {};
}

UploadDestination::UploadDestination(const Target &target, int index, UploadReport &report)
    : m_target(target)
    , m_index(index)
    , m_report(report)
    , m_observer(std::make_unique<Observer>(report, index))
{
    if (target.kind == Kind::Capture) {
        m_label = target.path;
        return;
    }
    m_port = std::make_unique<SerialPortComponent>();
    SerialSetup::configure(*m_port, PortSettings());
    if (target.kind == Kind::Port)
        m_port->setCommPort(target.port);
    else if (target.kind == Kind::Device)
        m_port->setDevice(target.path);
    m_label = target.kind == Kind::Device
        ? target.path
        : QStringLiteral("Com%1 (%2)").arg(m_port->CommPort()).arg(m_port->devicePath());
    m_port->setLabel(m_label);
}

UploadDestination::~UploadDestination()
{
    if (m_thread.joinable())
        m_thread.join();
}

QString UploadDestination::failure() const
{
    const QString start = m_label + QStringLiteral(": ");
    return m_outcome.error.startsWith(start) ? m_outcome.error.mid(start.size()) : m_outcome.error;
}

bool UploadDestination::prepare(QString *error)
{
    if (m_port || m_capture)
        return true;
    auto capture = std::make_unique<OutputFile>(m_target.path);
    if (!capture->open(error))
        return false;
    m_capture = std::move(capture);
    m_captureLink = std::make_unique<CaptureLink>(m_capture.get(), m_label);
    return true;
}

void UploadDestination::start(const QVector<UploadJob> &jobs)
{
    m_state.UploadStartTime = SteadyClock().nowMs();
    const auto failNow = [this](const QString &why) {
        m_outcome.result = UploadOutcome::Failed;
        m_outcome.error = why;
        m_done = true;
    };
    if (!m_port) {
        QString why;
        if (!prepare(&why))
            return failNow(QStringLiteral("%1: cannot be written: %2").arg(m_label, why));
        m_thread = std::thread([this, jobs] {
            m_outcome = ListUpload(*m_captureLink, *m_captureLink, m_state, m_observer.get()).run(jobs);
            m_done = true;
        });
        return;
    }
    if (!m_port->setPortOpen(true))
        return failNow(m_port->errorDescription());
    // The outcome is taken on the serial thread; the main thread polls done().
    m_port->startJob<UploadOutcome>(
        [this, jobs](SerialLink &link) {
            SteadyClock clock;
            return ListUpload(link, clock, m_state, m_observer.get()).run(jobs);
        },
        nullptr,
        [this](const UploadOutcome &result) {
            m_outcome = result;
            m_done = true;
        },
        &m_state.StopRequested);
}

void UploadDestination::giveUp()
{
    if (m_port)
        m_port->cancelJob();
}

void UploadDestination::finish()
{
    if (m_thread.joinable())
        m_thread.join();
    if (!m_capture || !m_capture->isOpen())
        return;
    // After a stop the file holds what the port would have received so far.
    QString why;
    if (m_outcome.result == UploadOutcome::Failed) {
        m_capture->cancel();
    } else if (!m_capture->commit(&why)) {
        m_outcome.result = UploadOutcome::Failed;
        m_outcome.error = QStringLiteral("%1: writing failed: %2").arg(m_label, why);
    }
}
