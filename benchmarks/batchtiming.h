#pragma once

#include <QImage>
#include <QList>
#include <QString>

// How long a batch of pictures takes to become frame files through PictureConverter, as the
// window's import and drelin-convert make them: on one thread, then on every core.
namespace BatchTiming {

struct Measured
{
    int threads = 1;
    double msPerFrame = 0;
    bool sameFiles = true; // byte for byte as one thread made them
};

// Each picture saved as a PNG `copies` times, then converted once a thread count; empty with the
// reason in *error when the files cannot be made.
QList<Measured> measure(const QList<QImage> &pictures, int copies, QString *error);

} // namespace BatchTiming
