#include "upload/widgets/uploadhistory.h"

#include "history/core/destinationidentity.h"
#include "history/core/historydatabase.h"
#include "history/core/historysettings.h"
#include "widgets/modals.h"

#include <QFileInfo>

namespace UploadHistory {

bool prepare(QWidget *window, const QString &deviceText, const QString &label, const QString &listFile,
             std::optional<RecordingPlan> *plan)
{
    plan->reset();
    if (!HistorySettings::enabled())
        return true;
    QString why;
    const QString path = HistorySettings::path();
    auto destination = DestinationIdentity::device(deviceText, &why);
    // Opened once here, so a history that cannot be used is asked about before anything goes out.
    if (destination && HistoryDatabase::open(path, &why)) {
        destination->label = label;
        *plan = RecordingPlan{path, *destination, LoadInfo::here(listFile)};
        return true;
    }
    // The file named once: "The load history cannot be used: FILE: it is not an SQLite database".
    const QString file = QFileInfo(path).absoluteFilePath();
    const QString named = QStringLiteral("The load history %1 cannot be used: ").arg(file);
    if (why.startsWith(named))
        why = file + QStringLiteral(": ") + why.mid(named.size());
    return Modals::message(
               window, QStringLiteral("The load history cannot be used: %1\n\nUpload without recording it?").arg(why),
               QString(), QMessageBox::Question, QMessageBox::Yes | QMessageBox::No)
        == QMessageBox::Yes;
}

} // namespace UploadHistory
