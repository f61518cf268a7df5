#pragma once

#include <QString>

// The name a frame is sent under: the file name without its folder and without anything from
// its first dot on ("/frames/logo.final.bmp" gives "logo"; ".hidden.bmp" gives "").
QString frameNameFromPath(const QString &path);
