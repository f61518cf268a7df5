#include "import/core/svgdocument.h"

#include <QRegularExpression>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

namespace SvgDocument {

namespace {

// Without namespace processing a name comes with its prefix ("xlink:href").
QStringView localName(QStringView qualified)
{
    return qualified.mid(qualified.lastIndexOf(QLatin1Char(':')) + 1);
}

bool refersOutside(const QXmlStreamAttribute &attribute)
{
    if (localName(attribute.qualifiedName()) != QLatin1String("href"))
        return false;
    const QString target = attribute.value().trimmed().toString();
    return !target.startsWith(QLatin1Char('#')) && !target.startsWith(QLatin1String("data:"), Qt::CaseInsensitive);
}

// Notes the effects an element's or an attribute's name, or style text, asks for.
void noteEffects(QStringView qualifiedName, QStringView style, QStringList *effects)
{
    const QStringView name = localName(qualifiedName);
    static const QRegularExpression inStyle(QStringLiteral("(clip-path|mask|filter)\\s*:"));
    const auto note = [effects](QStringView effect) {
        const QString plural = effect == QLatin1String("filter") ? QStringLiteral("filters")
            : effect == QLatin1String("mask")                    ? QStringLiteral("masks")
                                                                 : QStringLiteral("clip paths");
        if (!effects->contains(plural))
            effects->append(plural);
    };
    if (name == QLatin1String("clipPath") || name == QLatin1String("clip-path") || name == QLatin1String("mask")
        || name == QLatin1String("filter"))
        note(name == QLatin1String("clipPath") ? QStringView(u"clip-path") : name);
    for (auto match = inStyle.globalMatch(style); match.hasNext();)
        note(match.next().capturedView(1));
}

} // namespace

bool selfContained(const QByteArray &document, SelfContained *out, QString *error)
{
    *out = SelfContained();
    QXmlStreamReader reader(document);
    reader.setNamespaceProcessing(false); // names and prefixes go out as they came in
    QXmlStreamWriter writer(&out->document);
    bool inStyleSheet = false;
    while (!reader.atEnd()) {
        switch (reader.readNext()) {
        case QXmlStreamReader::StartDocument:
            writer.writeStartDocument();
            break;
        case QXmlStreamReader::StartElement:
            writer.writeStartElement(reader.qualifiedName().toString());
            noteEffects(reader.qualifiedName(), {}, &out->effects);
            inStyleSheet = localName(reader.qualifiedName()) == QLatin1String("style");
            for (const QXmlStreamAttribute &attribute : reader.attributes()) {
                if (refersOutside(attribute))
                    continue;
                const bool style = localName(attribute.qualifiedName()) == QLatin1String("style");
                noteEffects(attribute.qualifiedName(), style ? attribute.value() : QStringView(), &out->effects);
                writer.writeAttribute(attribute.qualifiedName().toString(), attribute.value().toString());
            }
            break;
        case QXmlStreamReader::EndElement:
            writer.writeEndElement();
            inStyleSheet = false;
            break;
        case QXmlStreamReader::Characters:
            if (inStyleSheet)
                noteEffects({}, reader.text(), &out->effects);
            if (reader.isCDATA())
                writer.writeCDATA(reader.text().toString());
            else
                writer.writeCharacters(reader.text().toString());
            break;
        default: // the document type, processing instructions, comments, unknown entities
            break;
        }
    }
    if (reader.hasError()) {
        *error = QStringLiteral("%1 (line %2)").arg(reader.errorString()).arg(reader.lineNumber());
        out->document.clear();
        return false;
    }
    writer.writeEndDocument();
    return true;
}

} // namespace SvgDocument
