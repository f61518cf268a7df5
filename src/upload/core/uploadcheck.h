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
// One message listing every bad entry with its reason.
QString describe(const QVector<Problem> &problems);

} // namespace UploadCheck
