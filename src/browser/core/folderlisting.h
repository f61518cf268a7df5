#pragma once

#include <QString>
#include <QStringList>

// The bitmaps of a folder as the file list shows them.
namespace FolderListing {

// The names in dir that match the pattern ("*.bmp" style, letter case ignored), in file-list order.
QStringList matching(const QString &dir, const QString &pattern);

// File-list order: letter case ignored, then exact.
bool comesBefore(const QString &a, const QString &b);

} // namespace FolderListing
