#pragma once

#include "upload/core/listupload.h"

#include <QString>
#include <QStringList>
#include <QVector>

// Everything is checked before the first byte goes out, so an upload never stops halfway over a
// file that could have been refused at the start.
namespace UploadCheck {

struct Problem
{
    int position = 0;
    int number = 0;
    QString path;
    QString reason;
};

QVector<Problem> check(const QVector<UploadJob> &jobs);
// check() that also keeps each good file in its job, so several lines send what was read once.
QVector<Problem> load(QVector<UploadJob> &jobs);
// A note for each frame number the jobs give more than once: the device keeps the frame sent
// last, so nothing refuses them, but the operator hears of them before anything is sent.
QStringList duplicates(const QVector<UploadJob> &jobs);
// One message listing every bad entry with its reason, and the numbers given twice besides.
QString describe(const QVector<Problem> &problems, const QStringList &duplicates = {});
QString describeDuplicates(const QStringList &duplicates);

} // namespace UploadCheck
