#pragma once

#include "import/core/importoptions.h"

#include <QGroupBox>
#include <QList>

class QLabel;
class QPushButton;
class QSpinBox;

// Which pictures of an animation become frames, so a long one fits the device: from one picture
// to another, every Nth. Before anything is converted it says how many frames the pictures make,
// how many the device takes and how many would be left out, and offers the Nth that fits them.
class AnimationBox : public QGroupBox
{
    Q_OBJECT
public:
    explicit AnimationBox(QWidget *parent = nullptr);

    // The choice, into the options' first, last and step.
    void choose(ImportOptions *options) const;
    // How many pictures each file holds: 1 for a still picture, 0 when it makes no frame.
    void setPictureCounts(const QList<int> &counts);

signals:
    void changed();

private:
    ImportOptions chosen() const;
    void tell();
    // The smallest step that makes the pictures fit the device, or 0 when none does.
    int stepThatFits() const;

    QSpinBox *m_first;
    QSpinBox *m_last;
    QSpinBox *m_step;
    QPushButton *m_fit;
    QLabel *m_told;
    QList<int> m_counts;
};
