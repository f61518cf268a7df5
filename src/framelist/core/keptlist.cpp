#include "framelist/core/keptlist.h"

#include <QDir>
#include <QFileInfo>

namespace KeptList {

namespace {
const QByteArray FromPrefix = "# List file: ";
}

std::optional<Contents> read(const QString &file, QString *error)
{
    const auto kept = FrameListFile::load(file, error);
    if (!kept)
        return std::nullopt;
    Contents contents{kept->entries, QString()};
    for (const FrameListFile::Layout::Line &line : kept->layout.lines) {
        if (!line.entry && line.text.startsWith(FromPrefix)) {
            contents.from = FrameListFile::decodePath(line.text.mid(FromPrefix.size())).value_or(QString());
            break;
        }
    }
    return contents;
}

bool write(const QString &file, const Contents &contents)
{
    const QString folder = QFileInfo(file).absolutePath();
    QDir().mkpath(folder);
    FrameListFile::Layout layout;
    if (!contents.from.isEmpty())
        layout.lines.append({FromPrefix + FrameListFile::encodePath(contents.from), std::nullopt});
    return FrameListFile::writeText(file, FrameListFile::format(contents.entries, folder, layout));
}

} // namespace KeptList
