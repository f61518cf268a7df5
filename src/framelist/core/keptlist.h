#pragma once

#include "framelist/core/framelistfile.h"

#include <QString>
#include <QVector>

#include <optional>

// The frame list kept between runs, in a list file of its own whose first line, a comment, names
// the list file the list came from, so a restored list is that file's list again.
namespace KeptList {

struct Contents
{
    QVector<FrameListFile::Entry> entries;
    QString from; // the list file, or empty
};

// Nothing, and why in *error, when the kept copy cannot be read.
std::optional<Contents> read(const QString &file, QString *error = nullptr);
bool write(const QString &file, const Contents &contents);

} // namespace KeptList
