#include "framelist/core/framenumber.h"

#include "framelist/core/framelistmodel.h"

#include <QRegularExpression>

#include <cmath>

namespace FrameNumber {

std::optional<int> parseTyped(const QString &text)
{
    // Numeric as a whole: optional sign, digits with an optional decimal point, optional exponent,
    // blanks around it.
    static const QRegularExpression numeric(QStringLiteral("^\\s*[+-]?(\\d+\\.?\\d*|\\.\\d+)([eE][+-]?\\d+)?\\s*$"));
    if (!numeric.match(text).hasMatch())
        return std::nullopt;
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value) || value != std::floor(value) || value < 0 || value > Highest)
        return std::nullopt;
    return int(value);
}

QString nextFree(const FrameListModel &list)
{
    if (list.count() == 0)
        return FormatFrameNumber(0);
    return FormatFrameNumber(list.entry(list.count()).number + 1);
}

} // namespace FrameNumber
