#include "upload/core/uploadcheck.h"

#include "core/framebitmap.h"
#include "core/wireformat.h"

#include <QStringList>

namespace UploadCheck {

QVector<Problem> check(const QVector<UploadJob> &jobs)
{
    QVector<Problem> problems;
    for (int i = 0; i < jobs.size(); ++i) {
        const UploadJob &job = jobs.at(i);
        const int number = ListUpload::frameNumberOf(job.text);
        QString reason;
        if (number < 0 || number > WireFormat::HighestFrameNumber)
            reason = QStringLiteral("the frame number must be 0 to 255");
        else
            reason = FrameBitmapReader::problemWith(job.path);
        if (!reason.isEmpty())
            problems.append({i + 1, job.text, job.path, reason});
    }
    return problems;
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
