#include "import/widgets/importquestions.h"

#include "base/localpath.h"
#include "widgets/modals.h"

#include <QDir>
#include <QFileInfo>

namespace ImportQuestions {

namespace {

const QString Title = QStringLiteral("Import pictures");
// Names listed in the overwrite question before "and N more".
constexpr int NamesListed = 4;

QString fileName(const QString &path)
{
    return QFileInfo(path).fileName();
}

QString native(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

} // namespace

bool overwrite(QWidget *parent, const QString &folder, const QStringList &existing, bool *overwrite)
{
    const QString where = native(folder);
    QString text;
    if (existing.size() == 1) {
        text = QStringLiteral("The frame file %1 exists already in %2. Overwrite it?\n\nNo keeps it and writes the "
                              "other frames; Cancel writes nothing.")
                   .arg(fileName(existing.first()), where);
    } else {
        QStringList names;
        for (int i = 0; i < std::min(int(existing.size()), NamesListed); ++i)
            names << fileName(existing[i]);
        QString listed = names.join(QStringLiteral(", "));
        if (existing.size() > NamesListed)
            listed += QStringLiteral(" and %1 more").arg(existing.size() - NamesListed);
        text = QStringLiteral("%1 frame files exist already in %2: %3. Overwrite them?\n\nNo keeps them and writes "
                              "the other frames; Cancel writes nothing.")
                   .arg(existing.size())
                   .arg(where, listed);
    }
    switch (Modals::message(parent, text, Title, QMessageBox::Question,
                            QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel)) {
    case QMessageBox::Yes:
        *overwrite = true;
        return true;
    case QMessageBox::No:
        *overwrite = false;
        return true;
    default:
        return false;
    }
}

bool folderReady(QWidget *parent, const QString &target)
{
    const LocalPath::Info info = LocalPath::stat(target);
    QString problem;
    if (target.isEmpty()) {
        problem = QStringLiteral("No folder is given for the frame files. Choose one with Browse.");
    } else if (info.exists && !info.isFolder) {
        problem = QStringLiteral("%1 is a file, not a folder. Choose a folder with Browse.").arg(native(target));
    } else if (!info.exists) {
        const QString question = QStringLiteral("The folder %1 does not exist. Make it and write the frame files "
                                                "there?\n\nNo goes back to choose another.")
                                     .arg(native(target));
        if (Modals::message(parent, question, Title, QMessageBox::Question, QMessageBox::Yes | QMessageBox::No)
            != QMessageBox::Yes)
            return false;
        QString why;
        if (LocalPath::makeFolders(target, &why))
            return true;
        problem = QStringLiteral("The folder %1 could not be made (%2). Choose another with Browse.")
                      .arg(native(target), why);
    }
    if (problem.isEmpty())
        return true;
    Modals::message(parent, problem, Title, QMessageBox::Critical, QMessageBox::Ok);
    return false;
}

} // namespace ImportQuestions
