#include "cli/uploaddestination.h"

#include "base/clock.h"
#include "cli/capturedestination.h"
#include "cli/portdestination.h"
#include "cli/uploadreport.h"
#include "frame/framename.h"

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
    void frameRepeated(int, const UploadJob &job, const QString &why) override
    {
        m_report.post(m_index,
                      QStringLiteral("%1 Called again: frame %2 goes out again whole.")
                          .arg(why, FrameNumber::FormatFrameNumber(job.number)));
    }
    void recordingLost(const QString &why) override
    {
        m_report.post(m_index,
                      QStringLiteral("%1 From here on this upload is not recorded: upload this device in full before "
                                     "uploading only changed frames to it, or forget what it holds.")
                          .arg(why));
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
    case Kind::Server:
        return {QStringLiteral("--device"), path};
    case Kind::Capture:
        return {QStringLiteral("--capture"), path};
    }
    return {};
}

std::unique_ptr<UploadDestination> UploadDestination::make(const Target &target, int index, UploadReport &report,
                                                           int reconnectSeconds)
{
    if (target.kind == Target::Kind::Capture)
        return std::make_unique<CaptureDestination>(target, index, report);
    return std::make_unique<PortDestination>(target, index, report, reconnectSeconds);
}

UploadDestination::UploadDestination(const Target &target, int index, UploadReport &report)
    : m_target(target)
    , m_report(report)
    , m_observer(std::make_unique<Observer>(report, index))
{ }

UploadDestination::~UploadDestination() = default;

QString UploadDestination::failure() const
{
    const QString start = m_label + QStringLiteral(": ");
    return m_outcome.error.startsWith(start) ? m_outcome.error.mid(start.size()) : m_outcome.error;
}

void UploadDestination::setRecord(std::unique_ptr<UploadRecord> record)
{
    m_record = std::move(record);
}

void UploadDestination::start(const QVector<UploadJob> &jobs)
{
    m_jobs = jobs;
    m_state.UploadStartTime = SteadyClock().nowMs();
    if (jobs.isEmpty())
        return conclude(UploadOutcome());
    begin(jobs);
}

UploadOutcome UploadDestination::send(SerialLink &link, Clock &clock, const QVector<UploadJob> &jobs)
{
    ListUpload upload(link, clock, m_state, observer());
    upload.setRecord(m_record.get());
    return upload.run(jobs);
}

void UploadDestination::conclude(const UploadOutcome &outcome)
{
    m_outcome = outcome;
    m_done = true;
}

void UploadDestination::fail(const QString &why)
{
    UploadOutcome outcome;
    outcome.result = UploadOutcome::Failed;
    outcome.error = why;
    conclude(outcome);
}

UploadObserver *UploadDestination::observer() const
{
    return m_observer.get();
}
