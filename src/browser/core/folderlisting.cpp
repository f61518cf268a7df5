#include "browser/core/folderlisting.h"

#include "base/localpath.h"

#include <QCollator>
#include <QRegularExpression>

#include <algorithm>

namespace FolderListing {

QStringList matching(const QString &dir, const QString &pattern)
{
    if (dir.isEmpty())
        return {};
    // Matched here rather than by QDir's name filters so "LOGO.BMP" is a bitmap on every platform.
    const QRegularExpression wildcard(QRegularExpression::wildcardToRegularExpression(pattern),
                                      QRegularExpression::CaseInsensitiveOption);
    QStringList matched;
    for (const QString &name : LocalPath::entries(dir, LocalPath::Kind::Files)) {
        // A name that is not UTF-8 carries escape characters the pattern matcher would refuse;
        // the pattern only looks at the ending, so they stand in as any other character.
        QString comparable = name;
        for (QChar &c : comparable) {
            if (c.isSurrogate())
                c = QChar::ReplacementCharacter;
        }
        if (wildcard.match(comparable).hasMatch())
            matched.append(name);
    }
    std::stable_sort(matched.begin(), matched.end(), &comesBefore);
    return matched;
}

bool comesBefore(const QString &a, const QString &b)
{
    static const QCollator collator = [] {
        QCollator caseless;
        caseless.setCaseSensitivity(Qt::CaseInsensitive);
        return caseless;
    }();
    const int order = collator.compare(a, b);
    return order != 0 ? order < 0 : a < b;
}

} // namespace FolderListing
