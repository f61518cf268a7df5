#include "upload/core/uploadcheck.h"

#include "core/framebitmap.h"
#include "core/wireformat.h"

#include <QStringList>

namespace UploadCheck {

namespace {

QVector<Problem> checkEach(QVector<UploadJob> &jobs, bool keep)
{
    QVector<Problem> problems;
    for (int i = 0; i < jobs.size(); ++i) {
        UploadJob &job = jobs[i];
        const int number = ListUpload::frameNumberOf(job.text);
        QString reason;
        if (number < 0 || number > WireFormat::HighestFrameNumber) {
            reason = QStringLiteral("the frame number must be 0 to 255");
        } else if (keep) {
            if (auto frame = FrameBitmapReader::readFile(job.path, &reason))
                job.frame = std::make_shared<const FrameBitmap>(std::move(*frame));
        } else {
            reason = FrameBitmapReader::problemWith(job.path);
        }
        if (!reason.isEmpty())
            problems.append({i + 1, job.text, job.path, reason});
    }
    return problems;
}

} // namespace

QVector<Problem> check(const QVector<UploadJob> &jobs)
{
    QVector<UploadJob> copy = jobs;
    return checkEach(copy, false);
}

QVector<Problem> load(QVector<UploadJob> &jobs)
{
    return checkEach(jobs, true);
}

QString describe(const QVector<Problem> &problems)
{
    QStringList lines;
    lines << (problems.size() == 1
                  ? QStringLiteral("This frame cannot be uploaded; nothing was sent:")
                  : QStringLiteral("These %1 frames cannot be uploaded; nothing was sent:").arg(problems.size()));
    for (const Problem &problem : problems)
        lines << QStringLiteral("%1  %2: %3").arg(problem.text, problem.path, problem.reason);
    return lines.join(QLatin1Char('\n'));
}

} // namespace UploadCheck
