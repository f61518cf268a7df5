#include "cli/historyplan.h"

#include "cli/uploaddestination.h"
#include "history/core/historydatabase.h"
#include "history/core/historyrecording.h"
#include "history/core/listdigest.h"
#include "serial/core/serialsetup.h"

#include <QFileInfo>

HistoryPlan::HistoryPlan(const QString &path)
    : m_path(path)
{ }

HistoryPlan::~HistoryPlan() = default;

bool HistoryPlan::open(QString *why)
{
    m_db = HistoryDatabase::open(m_path, why);
    if (m_db)
        m_path = m_db->path();
    return isOn();
}

QVector<UploadJob> HistoryPlan::changedJobs(const UploadDestination &destination, const QVector<UploadJob> &jobs,
                                            QString *note)
{
    const QString label = destination.label();
    if (!m_db) {
        *note = QStringLiteral("%1: the load history is off, so every frame is sent.").arg(label);
        return jobs;
    }
    // The frames are read once, whatever the number of destinations.
    if (m_digest.isEmpty())
        m_digest = ListDigest::of(jobs);
    QString why;
    const auto changed = ListDigest::changed(*m_db, destination.historyDestination().identity, m_digest, &why);
    if (!changed) {
        *note = QStringLiteral("%1: %2 Every frame is sent.")
                    .arg(label, why.endsWith(QLatin1Char('.')) ? why : why + QLatin1Char('.'));
        return jobs;
    }
    QVector<UploadJob> needed;
    for (const int position : changed->positions)
        needed.append(jobs.at(position));
    if (!changed->reason.isEmpty())
        *note = QStringLiteral("%1: %2.").arg(label, changed->reason);
    else if (needed.isEmpty())
        *note = QStringLiteral("Nothing differs from what %1 holds: nothing is sent to it.").arg(label);
    else
        *note = changed->countText(int(jobs.size()), label, SerialSetup::deviceLine());
    return needed;
}

std::unique_ptr<UploadRecord> HistoryPlan::record(const UploadDestination &destination, const QString &listFile) const
{
    if (!m_db)
        return nullptr;
    const QString list = listFile.isEmpty() ? QString() : QFileInfo(listFile).absoluteFilePath();
    return std::make_unique<HistoryRecording>(m_path, destination.historyDestination(), LoadInfo::here(list));
}
