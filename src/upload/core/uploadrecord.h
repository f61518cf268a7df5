#pragma once

#include <QString>

struct FrameBitmap;

// Whoever keeps a record of what the upload sent where (the load history). Called on the thread
// that sends, in this order:
//
//   loadStarting  ->  (frameStarting  ->  the frame's characters  ->  frameEnded)*  ->  loadEnded
//
// frameStarting returns before the frame's first character goes out, frameEnded(Complete) only
// after its last one. A call that returns false ends the record (the upload goes on without it)
// and says why in words for the operator.
class UploadRecord
{
public:
    enum class FrameEnd { Complete, CutShort, Failed };
    enum class LoadEnd { Finished, Stopped, Failed };

    virtual ~UploadRecord() = default;
    virtual bool loadStarting(QString *error) = 0;
    // `frame` is the bitmap exactly as it goes out under `name`.
    virtual bool frameStarting(int number, const QString &name, const QString &path, const FrameBitmap &frame,
                               QString *error) = 0;
    virtual bool frameEnded(FrameEnd end, QString *error) = 0;
    virtual void loadEnded(LoadEnd end) = 0;
};
