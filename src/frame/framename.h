#pragma once

#include <QString>

// The name a frame is sent under: the file name without its folder and without anything from
// its first dot on ("/frames/logo.final.bmp" gives "logo"; ".hidden.bmp" gives "").
QString frameNameFromPath(const QString &path);

namespace FrameNumber {

// The four-digit text of frame number n, as the operator sees it: 0 -> "0000", 42 -> "0042".
// From 1000 on there is no four-digit form and `previous` (the caller's text) is returned unchanged.
QString FormatFrameNumber(int n, const QString &previous = QString());

} // namespace FrameNumber
