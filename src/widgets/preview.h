#pragma once

#include <QString>

class QLabel;

// The two previews' pictures.
namespace Preview {

// Shows the bitmap at path in the label (stretched by the label), as the file holds it or as the
// device shows it (see setDeviceView). A file that cannot be read or is not a bitmap, whatever its
// name, leaves the label as it was and gives false.
bool load(QLabel *preview, const QString &path);

// Shows the label's picture, now and from then on, with each colour as the device shows it (6 bits
// a component) or as the file holds it.
void setDeviceView(QLabel *preview, bool deviceView);

} // namespace Preview
