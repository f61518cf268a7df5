#pragma once

#include <QStringList>

class QAbstractItemView;

// Drops files on a list as a file manager does; returns whether the drop was taken.
bool dropFiles(QAbstractItemView *view, const QStringList &paths);
