#include "cli/drawingplatform.h"

// Linux: offscreen, which needs no display and finds the fonts through fontconfig.

#include <QByteArray>

namespace DrawingPlatform {

void choose()
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", QByteArrayLiteral("offscreen"));
}

} // namespace DrawingPlatform
