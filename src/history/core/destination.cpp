#include "history/core/destination.h"

#include <QStringList>

namespace {
const QStringList KindNames = {QStringLiteral("port"), QStringLiteral("server"), QStringLiteral("capture")};
}

QString Destination::kindName(Kind kind)
{
    return KindNames.at(int(kind));
}

std::optional<Destination::Kind> Destination::kindNamed(const QString &name)
{
    const qsizetype index = KindNames.indexOf(name);
    if (index < 0)
        return std::nullopt;
    return Kind(index);
}
