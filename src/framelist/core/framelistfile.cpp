#include "framelist/core/framelistfile.h"

#include "core/localpath.h"
#include "core/wireformat.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>

namespace FrameListFile {

namespace {

QString lineError(const QString &name, int line, const QString &reason)
{
    return QStringLiteral("%1: line %2: %3").arg(name).arg(line).arg(reason);
}

// The length of the valid UTF-8 sequence at bytes[i], or 0 when there is none.
int utf8Length(const QByteArray &bytes, int i)
{
    const auto byte = [&](int k) { return k < bytes.size() ? uchar(bytes.at(k)) : 0; };
    const uchar lead = byte(i);
    int length = 0;
    if (lead < 0x80)
        return 1;
    if (lead >= 0xC2 && lead <= 0xDF)
        length = 2;
    else if (lead >= 0xE0 && lead <= 0xEF)
        length = 3;
    else if (lead >= 0xF0 && lead <= 0xF4)
        length = 4;
    else
        return 0;
    for (int k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80)
            return 0;
    }
    // Overlong forms, surrogates and code points past U+10FFFF are not UTF-8 either.
    const uchar second = byte(i + 1);
    if ((lead == 0xE0 && second < 0xA0) || (lead == 0xED && second > 0x9F) || (lead == 0xF0 && second < 0x90)
        || (lead == 0xF4 && second > 0x8F))
        return 0;
    return length;
}

QByteArray escape(const QByteArray &bytes)
{
    if (LocalPath::backslashSeparates())
        return bytes;
    QByteArray out;
    for (int i = 0; i < bytes.size();) {
        const char c = bytes.at(i);
        const int length = utf8Length(bytes, i);
        if (c == '\\')
            out += "\\\\";
        else if (c == '\t')
            out += "\\t";
        else if (c == '\n')
            out += "\\n";
        else if (c == '\r')
            out += "\\r";
        else if (length > 0) {
            out += bytes.mid(i, length);
            i += length;
            continue;
        } else
            out += "\\x" + QByteArray::number(uchar(c), 16).rightJustified(2, '0').toUpper();
        ++i;
    }
    return out;
}

bool isHex(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

std::optional<QByteArray> unescape(const QByteArray &text)
{
    if (LocalPath::backslashSeparates())
        return text;
    QByteArray out;
    for (int i = 0; i < text.size(); ++i) {
        if (text.at(i) != '\\') {
            out += text.at(i);
            continue;
        }
        const char kind = i + 1 < text.size() ? text.at(i + 1) : '\0';
        if (kind == '\\' || kind == 't' || kind == 'n' || kind == 'r') {
            out += kind == '\\' ? '\\' : kind == 't' ? '\t' : kind == 'n' ? '\n' : '\r';
            ++i;
        } else if (kind == 'x' && i + 3 < text.size() && isHex(text.at(i + 2)) && isHex(text.at(i + 3))) {
            out += char(text.mid(i + 2, 2).toInt(nullptr, 16));
            i += 3;
        } else {
            return std::nullopt;
        }
    }
    return out;
}

QString normalized(const QString &path)
{
    return QDir::cleanPath(QDir::fromNativeSeparators(path));
}

} // namespace

std::optional<QVector<Entry>> parse(const QByteArray &text, const QString &folder, const QString &name, QString *error)
{
    const auto fail = [&](int line, const QString &reason) {
        if (error)
            *error = lineError(name, line, reason);
        return std::nullopt;
    };
    QVector<Entry> entries;
    QVector<int> lineOf(WireFormat::HighestFrameNumber + 1, 0);
    const QList<QByteArray> lines = text.split('\n');
    for (int index = 0; index < lines.size(); ++index) {
        const int lineNumber = index + 1;
        QByteArray line = lines.at(index);
        if (index == 0 && line.startsWith("\xEF\xBB\xBF"))
            line.remove(0, 3);
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.trimmed().isEmpty() || line.startsWith('#'))
            continue;
        for (int i = 0; i < line.size();) {
            const int length = utf8Length(line, i);
            if (length == 0)
                return fail(lineNumber, QStringLiteral("not UTF-8 text"));
            i += length;
        }
        const int tab = line.indexOf('\t');
        const QByteArray digits = line.left(tab).trimmed();
        const bool allDigits =
            !digits.isEmpty() && std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; });
        if (tab < 0 || !allDigits)
            return fail(lineNumber, QStringLiteral("not a frame number, a TAB and a path"));
        const QByteArray escaped = line.mid(tab + 1);
        if (escaped.isEmpty())
            return fail(lineNumber, QStringLiteral("no path after the frame number"));
        const int number = digits.size() > 4 ? -1 : digits.toInt();
        if (number < 0 || number > WireFormat::HighestFrameNumber)
            return fail(lineNumber,
                        QStringLiteral("frame number %1 is outside 0-255").arg(QString::fromLatin1(digits)));
        if (lineOf[number] != 0)
            return fail(lineNumber,
                        QStringLiteral("frame %1 is given twice (first on line %2)")
                            .arg(number, 4, 10, QLatin1Char('0'))
                            .arg(lineOf[number]));
        const std::optional<QByteArray> bytes = unescape(escaped);
        if (!bytes)
            return fail(lineNumber, QStringLiteral("a backslash that is not \\\\, \\t, \\n, \\r or \\xHH"));
        lineOf[number] = lineNumber;
        QString path = LocalPath::decode(*bytes);
        if (QDir::isRelativePath(path))
            path = QDir(folder).filePath(path);
        entries.append(Entry{number, normalized(path)});
    }
    std::sort(entries.begin(), entries.end(), [](const Entry &a, const Entry &b) { return a.number < b.number; });
    return entries;
}

std::optional<QVector<Entry>> read(const QString &file, QString *error)
{
    QFile in;
    QString why;
    if (!LocalPath::openForReading(in, file, &why)) {
        if (error)
            *error = QStringLiteral("%1: %2").arg(file, why);
        return std::nullopt;
    }
    const QByteArray text = in.readAll();
    if (in.error() != QFileDevice::NoError) {
        if (error)
            *error = QStringLiteral("%1: %2").arg(file, in.errorString());
        return std::nullopt;
    }
    return parse(text, QFileInfo(file).absolutePath(), file, error);
}

QByteArray format(const QVector<Entry> &entries, const QString &folder)
{
    const QString base = normalized(QFileInfo(folder).absoluteFilePath());
    const QString prefix = base.endsWith(QLatin1Char('/')) ? base : base + QLatin1Char('/');
    QByteArray out;
    for (const Entry &entry : entries) {
        QString path = normalized(entry.path);
        if (path.startsWith(prefix))
            path = path.mid(prefix.size());
        out += QByteArray::number(entry.number).rightJustified(4, '0') + '\t' + escape(LocalPath::encode(path)) + '\n';
    }
    return out;
}

bool write(const QString &file, const QVector<Entry> &entries, QString *error)
{
    QSaveFile out(file);
    if (out.open(QIODevice::WriteOnly)) {
        const QByteArray text = format(entries, QFileInfo(file).absolutePath());
        if (out.write(text) == text.size() && out.commit())
            return true;
    }
    if (error)
        *error = QStringLiteral("%1: %2").arg(file, out.errorString());
    out.cancelWriting();
    return false;
}

} // namespace FrameListFile
