#include "history/core/listdigest.h"

#include "history/core/loadhistory.h"

#include "frame/framename.h"
#include "frame/wireformat.h"

namespace ListDigest {

QVector<FrameJob> of(const QVector<UploadJob> &jobs)
{
    QVector<FrameJob> digest;
    digest.reserve(jobs.size());
    for (const UploadJob &job : jobs) {
        FrameJob entry{job.number, {}};
        std::optional<FrameBitmap> read;
        if (!job.frame)
            read = FrameBitmapReader::readFile(job.path);
        const FrameBitmap *frame = job.frame ? job.frame.get() : (read ? &*read : nullptr);
        if (frame)
            entry.sha256 = WireFormat::frameSha256(job.number, frameNameFromPath(job.path), *frame);
        digest.append(entry);
    }
    return digest;
}

std::optional<ChangedSet> changed(const HistoryDatabase &db, const QString &identity, const QVector<FrameJob> &digest,
                                  QString *error)
{
    const auto holdings = LoadHistory(db).holdings(identity, error);
    if (!holdings)
        return std::nullopt;
    return ChangedSet::of(digest, *holdings);
}

} // namespace ListDigest
