#pragma once

#include "testpictures.h"

#include <QList>
#include <QStringList>

// What bench_import measures on.
namespace BenchPictures {

// The pictures drawn in code, ImageMagick's rose and wizard when it is there, and those given,
// each laid on the frame (fill); false, told on standard error, when a given one cannot be read.
bool gather(const QStringList &paths, bool withImageMagick, QList<TestPictures::Named> *pictures);

} // namespace BenchPictures
