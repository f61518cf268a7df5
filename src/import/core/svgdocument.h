#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// An SVG document made safe for a library that would follow what it names outside itself (Qt SVG
// opens an <image>'s file by its path): every reference that is not to a part of the document
// ("#id") or to data it holds ("data:") is taken out, and with them processing instructions
// (style sheets) and the document type (outside entities).
namespace SvgDocument {

struct SelfContained
{
    QByteArray document;
    // The effects the document uses that Qt SVG does not draw: "clip paths", "masks", "filters".
    QStringList effects;
};

// False with the parser's reason, and where, in *error when the document is not well-formed XML.
bool selfContained(const QByteArray &document, SelfContained *out, QString *error);

} // namespace SvgDocument
