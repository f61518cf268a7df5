#include "history/core/sentframe.h"

#include "frame/wireformat.h"

SentFrame SentFrame::of(int number, const QString &name, const QString &sourcePath, const FrameBitmap &frame)
{
    return {number, WireFormat::frameSha256(number, name, frame), name, sourcePath, frame};
}
