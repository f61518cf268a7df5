#pragma once

#include "history/core/changedset.h"

#include "upload/core/listupload.h"

#include <QString>
#include <QVector>

#include <optional>

class HistoryDatabase;

// A frame list against the history: what each entry would send now, and what a destination needs.
namespace ListDigest {

// Each entry's number and the SHA-256 of the exact characters it would send now (its frame read
// beforehand, else its file read now; named as the upload names it). An entry whose file cannot be
// read gets an empty hash, so it is never taken for what a device holds.
QVector<FrameJob> of(const QVector<UploadJob> &jobs);

// The entries of jobs (digested by of()) that the destination with this identity needs, by the
// history in db; nothing, with why, when the history cannot be read.
std::optional<ChangedSet> changed(const HistoryDatabase &db, const QString &identity, const QVector<FrameJob> &digest,
                                  QString *error = nullptr);

} // namespace ListDigest
