#include "cli/capturedestination.h"

#include "base/outputfile.h"
#include "cli/capturelink.h"
#include "history/core/destinationidentity.h"

CaptureDestination::CaptureDestination(const Target &target, int index, UploadReport &report)
    : UploadDestination(target, index, report)
{
    setLabel(target.path);
}

CaptureDestination::~CaptureDestination()
{
    if (m_thread.joinable())
        m_thread.join();
}

bool CaptureDestination::prepare(QString *error)
{
    if (m_capture)
        return true;
    auto capture = std::make_unique<OutputFile>(target().path);
    if (!capture->open(error))
        return false;
    m_capture = std::move(capture);
    m_captureLink = std::make_unique<CaptureLink>(m_capture.get(), label());
    return true;
}

void CaptureDestination::begin(const QVector<UploadJob> &jobs)
{
    QString why;
    if (!prepare(&why))
        return fail(QStringLiteral("%1: cannot be written: %2").arg(label(), why));
    m_thread = std::thread([this, jobs] { conclude(send(*m_captureLink, *m_captureLink, jobs)); });
}

Destination CaptureDestination::historyDestination() const
{
    return DestinationIdentity::capture(target().path);
}

void CaptureDestination::finish()
{
    if (m_thread.joinable())
        m_thread.join();
    if (!m_capture || !m_capture->isOpen())
        return;
    // After a stop the file holds what the port would have received so far.
    QString why;
    if (outcome().result == UploadOutcome::Failed) {
        m_capture->cancel();
    } else if (!m_capture->commit(&why)) {
        UploadOutcome failed = outcome();
        failed.result = UploadOutcome::Failed;
        failed.error = QStringLiteral("%1: writing failed: %2").arg(label(), why);
        conclude(failed);
    }
}
