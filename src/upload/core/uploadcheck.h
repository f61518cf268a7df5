#pragma once

#include "upload/core/listupload.h"

#include <QString>
#include <QVector>

// Everything is checked before the first byte goes out, so an upload never stops halfway over a
// file that could have been refused at the start.
namespace UploadCheck {

struct Problem
{
    int position = 0;
    QString text;
    QString path;
    QString reason;
};

QVector<Problem> check(const QVector<UploadJob> &jobs);
// check() that also keeps each good file in its job, so several lines send what was read once.
QVector<Problem> load(QVector<UploadJob> &jobs);
// One message listing every bad entry with its reason.
QString describe(const QVector<Problem> &problems);

} // namespace UploadCheck
