#pragma once

#include "frame/wiredecoder.h"

#include <QElapsedTimer>
#include <QString>

class QByteArray;
class QTextStream;

// drelin-device's ear: takes what arrives on its line, reports every frame that ends (a line on
// out, a picture in the output folder), and closes a frame the line left hanging.
class Listener
{
public:
    // A frame in progress is reported as cut off after this long without a character.
    static constexpr int QuietMs = 5000;

    // Pictures go to outDir unless it is empty; quiet prints no line per frame.
    Listener(const QString &outDir, bool quiet, QTextStream &out, QTextStream &err);

    // The number of places where the sender pauses that the bytes reached. An empty array is a
    // wait that brought nothing.
    int take(const QByteArray &bytes);
    // The line has ended (or its sender has gone): a frame in progress is reported as cut off.
    void end();
    // Whether a picture could not be written.
    bool failed() const { return m_failed; }

    // "frame 7 (0007) "logo    ": complete, 67086 characters" and, for a frame that is not,
    // its problem.
    static QString describe(const DecodedFrame &frame);
    // NNN-name.png for a frame; the name's characters that do not belong in a file name become "_".
    static QString pictureName(const DecodedFrame &frame);

private:
    void report();

    const QString m_outDir;
    const bool m_quiet;
    QTextStream &m_out;
    QTextStream &m_err;
    WireDecoder m_decoder;
    QElapsedTimer m_sinceLast;
    bool m_failed = false;
};
