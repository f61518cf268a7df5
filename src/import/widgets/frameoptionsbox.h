#pragma once

#include "import/core/importoptions.h"

#include <QGroupBox>

class QButtonGroup;
class QLabel;
class QPushButton;
class QSlider;

// How a picture becomes a frame, as the operator sets it: fit, fill or stretch, the background
// colour, and how much to dither.
class FrameOptionsBox : public QGroupBox
{
    Q_OBJECT
public:
    explicit FrameOptionsBox(QWidget *parent = nullptr);

    ImportOptions options() const;
    // Shows the size, background and dithering of these options.
    void setOptions(const ImportOptions &options);

signals:
    void changed();

private:
    void chooseBackground();
    void setBackground(const QColor &colour);

    QButtonGroup *m_geometry;
    QPushButton *m_background;
    QColor m_backgroundColour = Qt::black;
    QSlider *m_dither;
    QLabel *m_ditherText;
};
