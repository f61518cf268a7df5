#pragma once

#include <QString>
#include <QStringList>

class QWidget;

// What the import dialog asks before converting, as modal boxes through Modals.
namespace ImportQuestions {

// Whether to overwrite the frame files that exist already in the folder: false when the operator
// cancels, else the answer in *overwrite.
bool overwrite(QWidget *parent, const QString &folder, const QStringList &existing, bool *overwrite);

// Whether the frame files can go to the folder: one that is missing is offered to be made.
bool folderReady(QWidget *parent, const QString &target);

} // namespace ImportQuestions
