#include "history/widgets/historyexport.h"

#include "history/widgets/slotdelegate.h"

#include "base/outputfile.h"
#include "frame/framename.h"

#include <QBuffer>
#include <QPainter>
#include <QStringList>

namespace {

QString field(const QString &text)
{
    const bool quoted = text.contains(QLatin1Char(',')) || text.contains(QLatin1Char('"'))
        || text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r')) || text.trimmed() != text;
    if (!quoted)
        return text;
    QString doubled = text;
    doubled.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + doubled + QLatin1Char('"');
}

} // namespace

namespace HistoryExport {

QSize sheetSize()
{
    const int rows = (DeviceHoldings::Slots + SheetColumns - 1) / SheetColumns;
    return QSize(SheetColumns * SlotDelegate::CellWidth, SheetTitleHeight + rows * SlotDelegate::CellHeight);
}

QImage contactSheet(const QString &title, const SlotViews &views)
{
    QImage sheet(sheetSize(), QImage::Format_RGB32);
    sheet.fill(Qt::white);
    QPainter painter(&sheet);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setPen(Qt::black);
    painter.drawText(QRect(6, 0, sheet.width() - 12, SheetTitleHeight), Qt::AlignLeft | Qt::AlignVCenter, title);
    for (int n = 0; n < DeviceHoldings::Slots; ++n) {
        const QRect cell((n % SheetColumns) * SlotDelegate::CellWidth,
                         SheetTitleHeight + (n / SheetColumns) * SlotDelegate::CellHeight, SlotDelegate::CellWidth,
                         SlotDelegate::CellHeight);
        SlotDelegate::paintSlot(&painter, cell, n, views[size_t(n)]);
    }
    painter.end();
    return sheet;
}

QByteArray csv(const SlotViews &views)
{
    const QString lineEnd = QStringLiteral("\r\n");
    QString text = QStringLiteral("number,name,state,loaded,workstation,user,source path,sha256") + lineEnd;
    for (int n = 0; n < DeviceHoldings::Slots; ++n) {
        const SlotView &slot = views[size_t(n)];
        const QStringList fields{FrameNumber::FormatFrameNumber(n),
                                 slot.holding.name,
                                 slot.stateText(),
                                 slot.loadedText(),
                                 slot.holding.workstation,
                                 slot.holding.user,
                                 slot.holding.sourcePath,
                                 QString::fromLatin1(slot.holding.sha256.toHex())};
        QStringList quoted;
        for (const QString &value : fields)
            quoted.append(field(value));
        text += quoted.join(QLatin1Char(',')) + lineEnd;
    }
    return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
}

bool write(const QString &path, const QByteArray &bytes, QString *error)
{
    OutputFile file(path);
    return file.open(error) && file.write(bytes, error) && file.commit(error);
}

QByteArray png(const QImage &image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

} // namespace HistoryExport
