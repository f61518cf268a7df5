#pragma once

#include <QString>

class QLabel;

// The two previews' pictures.
namespace Preview {

// Shows the bitmap at path in the label (stretched by the label). A file that cannot be read or
// is not a bitmap, whatever its name, leaves the label as it was and gives false.
bool load(QLabel *preview, const QString &path);

} // namespace Preview
