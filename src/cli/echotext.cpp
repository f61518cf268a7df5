#include "cli/echotext.h"

namespace EchoText {

namespace {

bool disguises(char16_t c)
{
    // Marks that change the direction of what follows (and isolate it).
    return c == 0x200E || c == 0x200F || (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

QString hex(const char *prefix, uint value, int digits)
{
    return QLatin1String(prefix) + QString::number(value, 16).toUpper().rightJustified(digits, QLatin1Char('0'));
}

QString escaped(QStringView text)
{
    QString result;
    result.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        const bool pair =
            QChar::isHighSurrogate(c) && i + 1 < text.size() && QChar::isLowSurrogate(text[i + 1].unicode());
        if (pair) {
            result += text.mid(i, 2);
            ++i;
        } else if (c == u'\n') {
            result += QStringLiteral("\\n");
        } else if (c == u'\r') {
            result += QStringLiteral("\\r");
        } else if (c == u'\t') {
            result += QStringLiteral("\\t");
        } else if (c < 0x20 || (c >= 0x7F && c < 0xA0)) {
            result += hex("\\x", c, 2);
        } else if (c >= 0xDC80 && c <= 0xDCFF) {
            // A byte of a name that is not UTF-8, as LocalPath keeps it.
            result += hex("\\x", c - 0xDC00, 2);
        } else if (QChar::isSurrogate(c) || disguises(c)) {
            result += hex("\\u", c, 4);
        } else {
            result += QChar(c);
        }
    }
    return result;
}

// Moves a cut off the middle of a surrogate pair.
qsizetype whole(QStringView text, qsizetype at)
{
    return at > 0 && at < text.size() && text[at].isLowSurrogate() ? at - 1 : at;
}

} // namespace

QString of(const QString &text, int longest)
{
    if (text.size() <= longest)
        return escaped(text);
    const qsizetype head = whole(text, longest * 2 / 3);
    const qsizetype tail = text.size() - whole(text, text.size() - longest / 3);
    return escaped(QStringView(text).left(head))
        + QStringLiteral("[... %1 characters ...]").arg(text.size() - head - tail)
        + escaped(QStringView(text).right(tail));
}

} // namespace EchoText
