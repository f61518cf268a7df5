#include "upload/widgets/uploadcontrols.h"

#include <QLabel>

void UploadControls::setPanel(int n, const QString &text) const
{
    Panels.at(n - 1)->setText(text);
}

void UploadControls::setAllPanels(const QString &text) const
{
    for (QLabel *panel : Panels)
        panel->setText(text);
}
