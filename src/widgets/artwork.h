#pragma once

#include <QIcon>
#include <QPixmap>

// The program's own pictures, drawn in code so the project carries no binary art.
namespace Artwork {

// A film frame with a small logo in it, at 16 x 16 and 32 x 32.
QIcon programIcon();
// The maker's logo, 107 x 70 pixels.
QPixmap makerLogo();

} // namespace Artwork
