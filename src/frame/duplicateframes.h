#pragma once

#include <QMap>
#include <QString>
#include <QVector>

// Frame numbers given to more than one frame. Nothing refuses them: the device keeps the frame
// sent last under a number, so the frames before it are simply overwritten. Wherever a list is
// shown or sent, the operator is told which.
namespace DuplicateFrames {

// Each number that `numbers` holds more than once, with how many times it does.
QMap<int, int> count(const QVector<int> &numbers);

// "frame 0007 is given twice: the later one overwrites the earlier on the device".
QString note(int number, int times);

} // namespace DuplicateFrames
