#pragma once

#include <QImage>
#include <QString>
#include <QStringList>

// Another program that reduces a picture to at most 256 colours, run as a process on a file, for
// comparing its colour choice with ours.
class ExternalQuantizer
{
public:
    enum class Kind {
        ImageMagick, // convert IN -colors 256 -type Palette BMP3:OUT
        Pngquant // pngquant --posterize 2: its palette already on 6-bit levels
    };

    explicit ExternalQuantizer(Kind kind);

    QString name() const;
    // Found on PATH; otherwise skippedLine() says what is missing and where it comes from.
    bool available() const { return !m_program.isEmpty(); }
    QString skippedLine() const;

    // The picture as the program made it, read back (indexed); null with the reason in *error.
    // *ms: how long the process ran, writing and reading its files included.
    QImage quantize(const QImage &picture, double *ms, QString *error) const;

private:
    Kind m_kind;
    QString m_program;
};
