#pragma once

#include <QByteArray>
#include <QRgb>
#include <QVector>

// Builds Windows bitmap files byte by byte, in the shapes real tools write and in broken ones,
// so tests can make every case they need. Placeholder until it lands.
class BmpWriter
{
public:
};
