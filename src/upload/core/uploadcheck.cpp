#include "upload/core/uploadcheck.h"

#include "frame/duplicateframes.h"
#include "frame/framebitmap.h"
#include "frame/framename.h"
#include "frame/wireformat.h"

#include <QStringList>

namespace UploadCheck {

namespace {

QVector<Problem> checkEach(QVector<UploadJob> &jobs, bool keep)
{
    QVector<Problem> problems;
    for (int i = 0; i < jobs.size(); ++i) {
        UploadJob &job = jobs[i];
        QString reason;
        if (job.number < 0 || job.number > WireFormat::HighestFrameNumber) {
            reason = QStringLiteral("the frame number must be 0 to 255");
        } else if (keep) {
            if (auto frame = FrameBitmapReader::readFile(job.path, &reason))
                job.frame = std::make_shared<const FrameBitmap>(std::move(*frame));
        } else {
            reason = FrameBitmapReader::problemWith(job.path);
        }
        if (!reason.isEmpty())
            problems.append({i + 1, job.number, job.path, reason});
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

QStringList duplicates(const QVector<UploadJob> &jobs)
{
    QVector<int> numbers;
    for (const UploadJob &job : jobs)
        numbers.append(job.number);
    const QMap<int, int> twice = DuplicateFrames::count(numbers);
    QStringList notes;
    for (auto it = twice.cbegin(); it != twice.cend(); ++it)
        notes << DuplicateFrames::note(it.key(), it.value());
    return notes;
}

QString describe(const QVector<Problem> &problems, const QStringList &duplicates)
{
    QStringList lines;
    lines << (problems.size() == 1
                  ? QStringLiteral("This frame cannot be uploaded; nothing was sent:")
                  : QStringLiteral("These %1 frames cannot be uploaded; nothing was sent:").arg(problems.size()));
    for (const Problem &problem : problems)
        lines << QStringLiteral("%1  %2: %3")
                     .arg(FrameNumber::FormatFrameNumber(problem.number), problem.path, problem.reason);
    if (!duplicates.isEmpty())
        lines << QString() << describeDuplicates(duplicates);
    return lines.join(QLatin1Char('\n'));
}

QString describeDuplicates(const QStringList &duplicates)
{
    return (QStringList{QStringLiteral("Frame numbers given more than once:")} + duplicates).join(QLatin1Char('\n'));
}

} // namespace UploadCheck
