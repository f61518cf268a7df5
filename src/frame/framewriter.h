#pragma once

#include "frame/framebitmap.h"

#include <QByteArray>
#include <QString>

// Writes frames as the standard 33,846-byte bitmap: a 40-byte header, the 256-entry colour
// table, bottom-up rows, which the frame reader takes without question.
namespace FrameWriter {

QByteArray encode(const FrameBitmap &frame);

// Written whole or not at all, never through a symbolic link nor onto anything but a regular
// file (OutputFile); false with the reason in the system's words.
bool write(const FrameBitmap &frame, const QString &path, QString *error = nullptr);

} // namespace FrameWriter
