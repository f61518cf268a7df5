#include "cli/drawingplatform.h"

// Windows: the desktop's own platform, which every session has and which draws with the system's
// fonts without showing a window. (The offscreen one would look for fonts in Qt's own folder.)

namespace DrawingPlatform {

void choose()
{ }

} // namespace DrawingPlatform
