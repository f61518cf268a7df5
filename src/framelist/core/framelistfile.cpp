#include "framelist/core/framelistfile.h"

#include "base/boundedread.h"
#include "base/localpath.h"
#include "frame/wireformat.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QSaveFile>

#include <functional>

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

QString fileError(const QString &file, const QString &reason)
{
    return QStringLiteral("%1: %2").arg(file, reason);
}

// One line that is not a comment or blank: its entry, or why it is wrong.
struct ParsedLine
{
    std::optional<Entry> entry;
    QString problem;
};

ParsedLine parseEntryLine(const QByteArray &line, const QString &folder)
{
    const auto wrong = [](const QString &reason) { return ParsedLine{std::nullopt, reason}; };
    for (int i = 0; i < line.size();) {
        const int length = utf8Length(line, i);
        if (length == 0)
            return wrong(QStringLiteral("not UTF-8 text"));
        i += length;
    }
    const int tab = line.indexOf('\t');
    const QByteArray digits = line.left(tab).trimmed();
    const bool allDigits =
        !digits.isEmpty() && std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; });
    if (tab < 0 || !allDigits)
        return wrong(QStringLiteral("not a frame number, a TAB and a path"));
    const QByteArray escaped = line.mid(tab + 1);
    if (escaped.isEmpty())
        return wrong(QStringLiteral("no path after the frame number"));
    const int number = digits.size() > 4 ? -1 : digits.toInt();
    if (number < 0 || number > WireFormat::HighestFrameNumber)
        return wrong(QStringLiteral("frame number %1 is outside 0-255").arg(QString::fromLatin1(digits)));
    const std::optional<QByteArray> bytes = unescape(escaped);
    if (!bytes)
        return wrong(QStringLiteral("a backslash that is not \\\\, \\t, \\n, \\r or \\xHH"));
    // The system would take the name only up to the NUL: another file than the line names.
    if (bytes->contains('\0'))
        return wrong(QStringLiteral("the path holds a NUL character, which no file name can"));
    QString path = LocalPath::decode(*bytes);
    if (QDir::isRelativePath(path))
        path = QDir(folder).filePath(path);
    return {Entry{number, normalized(path)}, QString()};
}

bool isSkipped(const QByteArray &line)
{
    return line.trimmed().isEmpty() || line.startsWith('#');
}

QByteArray formatLine(const Entry &entry, const QString &prefix)
{
    QString path = normalized(entry.path);
    if (path.startsWith(prefix))
        path = path.mid(prefix.size());
    return QByteArray::number(entry.number).rightJustified(4, '0') + '\t' + escape(LocalPath::encode(path));
}

// Which line of the layout each entry takes: the line that gave it, else the line of an entry
// with its file (renumbered), else the line of an entry with its number (another file); -1 for
// an entry the layout did not have.
QVector<int> matchLines(const QVector<Entry> &entries, const Layout &layout)
{
    QVector<int> match(entries.size(), -1);
    QVector<bool> taken(layout.lines.size(), false);
    const std::function<bool(const Entry &, const Entry &)> alike[] = {
        [](const Entry &a, const Entry &b) { return a == b; },
        [](const Entry &a, const Entry &b) { return a.path == b.path; },
        [](const Entry &a, const Entry &b) { return a.number == b.number; },
    };
    for (const auto &same : alike) {
        for (int e = 0; e < entries.size(); ++e) {
            for (int l = 0; match[e] < 0 && l < layout.lines.size(); ++l) {
                const auto &given = layout.lines.at(l).entry;
                if (!taken[l] && given && same(*given, entries.at(e))) {
                    match[e] = l;
                    taken[l] = true;
                }
            }
        }
    }
    return match;
}

} // namespace

std::optional<Contents> parseContents(const QByteArray &text, const QString &folder, const QString &name,
                                      QString *error)
{
    Contents contents;
    contents.text = text;
    QList<QByteArray> lines = text.split('\n');
    if (lines.size() > 1 && lines.last().isEmpty())
        lines.removeLast(); // the end of the last line, not a line of its own
    for (int index = 0; index < lines.size(); ++index) {
        QByteArray line = lines.at(index);
        if (index == 0 && line.startsWith("\xEF\xBB\xBF")) {
            line.remove(0, 3);
            contents.layout.byteOrderMark = true;
        }
        if (line.endsWith('\r')) {
            line.chop(1);
            if (index == 0)
                contents.layout.lineEnd = "\r\n";
        }
        Layout::Line kept{line, std::nullopt};
        if (!isSkipped(line)) {
            const ParsedLine parsed = parseEntryLine(line, folder);
            if (!parsed.entry) {
                if (error)
                    *error = lineError(name, index + 1, parsed.problem);
                return std::nullopt;
            }
            kept.entry = parsed.entry;
            contents.entries.append(*parsed.entry);
        }
        contents.layout.lines.append(kept);
    }
    std::stable_sort(contents.entries.begin(), contents.entries.end(),
                     [](const Entry &a, const Entry &b) { return a.number < b.number; });
    return contents;
}

std::optional<QVector<Entry>> parse(const QByteArray &text, const QString &folder, const QString &name, QString *error)
{
    const auto contents = parseContents(text, folder, name, error);
    return contents ? std::optional<QVector<Entry>>(contents->entries) : std::nullopt;
}

std::optional<QByteArray> readBytes(const QString &file, QString *error)
{
    const auto fail = [&](const QString &reason) {
        if (error)
            *error = fileError(file, reason);
        return std::nullopt;
    };
    const auto tooLarge = [&](qint64 size) {
        const QLocale c = QLocale::c();
        return fail(QStringLiteral("%1, larger than any frame list (at most %2), so it was not read")
                        .arg(c.formattedDataSize(size, 1, QLocale::DataSizeIecFormat),
                             c.formattedDataSize(MaxBytes, 0, QLocale::DataSizeIecFormat)));
    };
    QString why;
    const LocalPath::Info info = LocalPath::stat(file, &why);
    if (!info.exists)
        return fail(why);
    if (info.isFolder)
        return fail(QStringLiteral("a folder, not a frame list"));
    if (!info.isFile)
        return fail(QStringLiteral("not a regular file (a device, a pipe or a socket), so it was not read as a list"));
    if (info.size > MaxBytes)
        return tooLarge(info.size);
    QFile in;
    if (!LocalPath::openForReading(in, file, &why))
        return fail(why);
    const QByteArray text = BoundedRead::read(in, MaxBytes, info.size); // a file that grew meanwhile is still bounded
    if (in.error() != QFileDevice::NoError)
        return fail(in.errorString());
    if (text.size() > MaxBytes)
        return tooLarge(text.size());
    return text;
}

std::optional<Contents> load(const QString &file, QString *error)
{
    const auto text = readBytes(file, error);
    if (!text)
        return std::nullopt;
    return parseContents(*text, QFileInfo(file).absolutePath(), file, error);
}

std::optional<QVector<Entry>> read(const QString &file, QString *error)
{
    const auto contents = load(file, error);
    return contents ? std::optional<QVector<Entry>>(contents->entries) : std::nullopt;
}

QByteArray format(const QVector<Entry> &entries, const QString &folder, const Layout &layout)
{
    const QString base = normalized(QFileInfo(folder).absoluteFilePath());
    const QString prefix = base.endsWith(QLatin1Char('/')) ? base : base + QLatin1Char('/');
    QByteArray out = layout.byteOrderMark ? QByteArray("\xEF\xBB\xBF") : QByteArray();
    const auto put = [&](const QByteArray &line) { out += line + layout.lineEnd; };
    const QVector<int> match = matchLines(entries, layout);
    const auto &lines = layout.lines;
    // Lines other than entries stay before the entry they stood before; those above the first
    // entry head the file whatever comes first now.
    int next = 0;
    const auto putOthersBefore = [&](int end) {
        for (; next < end; ++next) {
            if (!lines.at(next).entry)
                put(lines.at(next).text);
        }
    };
    const auto firstEntry = std::find_if(lines.cbegin(), lines.cend(), [](const Layout::Line &l) { return l.entry; });
    putOthersBefore(int(firstEntry - lines.cbegin()));
    for (int e = 0; e < entries.size(); ++e) {
        const int line = match.at(e);
        if (line >= next) {
            putOthersBefore(line);
            next = line + 1;
        }
        // A line that still says the same in this folder is kept as it was written.
        const bool same = line >= 0 && parseEntryLine(lines.at(line).text, base).entry == entries.at(e);
        put(same ? lines.at(line).text : formatLine(entries.at(e), prefix));
    }
    putOthersBefore(int(lines.size()));
    return out;
}

QByteArray encodePath(const QString &path)
{
    return escape(LocalPath::encode(path));
}

std::optional<QString> decodePath(const QByteArray &text)
{
    const std::optional<QByteArray> bytes = unescape(text);
    if (!bytes || bytes->contains('\0'))
        return std::nullopt;
    return LocalPath::decode(*bytes);
}

bool writeText(const QString &file, const QByteArray &text, QString *error)
{
    QSaveFile out(file);
    if (out.open(QIODevice::WriteOnly) && out.write(text) == text.size() && out.commit())
        return true;
    if (error)
        *error = fileError(file, out.errorString());
    out.cancelWriting();
    return false;
}

bool write(const QString &file, const QVector<Entry> &entries, QString *error)
{
    return writeText(file, format(entries, QFileInfo(file).absolutePath()), error);
}

} // namespace FrameListFile
