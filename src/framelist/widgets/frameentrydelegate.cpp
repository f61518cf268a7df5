#include "framelist/widgets/frameentrydelegate.h"

#include "framelist/core/framelistmodel.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace {

QString uploadWord(UploadMark mark)
{
    switch (mark) {
    case UploadMark::Sent:
        return QStringLiteral("sent");
    case UploadMark::Sending:
        return QStringLiteral("sending");
    case UploadMark::Waiting:
        return QStringLiteral("waiting");
    case UploadMark::None:
        break;
    }
    return QString();
}

} // namespace

FrameEntryDelegate::Caption FrameEntryDelegate::caption(const QModelIndex &index)
{
    const QAbstractItemModel *model = index.model();
    if (!model)
        return {};
    const QModelIndex entry = model->index(index.row(), FrameListModel::FrameColumn);
    const QString path = model->index(index.row(), FrameListModel::PathColumn).data().toString();
    const qsizetype slash = std::max(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
    // A byte that is not UTF-8 is held as a lone surrogate (see LocalPath); it shows as U+FFFD.
    QString name = path.mid(slash + 1);
    for (QChar &c : name) {
        if (c.isSurrogate())
            c = QChar::ReplacementCharacter;
    }
    return {name, entry.data(FrameListModel::ProblemRole).toString(),
            entry.data(FrameListModel::DuplicateRole).toString(),
            uploadWord(UploadMark(entry.data(FrameListModel::UploadMarkRole).toInt())),
            entry.data(FrameListModel::CheckingRole).toBool()};
}

void FrameEntryDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    const Caption shown = caption(index);
    const bool sending = shown.upload == QLatin1String("sending");
    QStyleOptionViewItem base = option;
    if (sending && index.column() == FrameListModel::FrameColumn) {
        painter->fillRect(option.rect, QColor(255, 236, 160)); // the one going out stands out
        base.font.setBold(true);
    }
    QStyledItemDelegate::paint(painter, base, index);
    if (index.column() != FrameListModel::FrameColumn)
        return;

    QStyleOptionViewItem opt = base;
    initStyleOption(&opt, index);
    const QFontMetrics metrics(opt.font);
    const int margin = metrics.horizontalAdvance(QLatin1Char(' ')) * 2;
    // The number takes its own width; the rest of the visible part of the row is the caption's.
    int left = opt.rect.left() + margin + metrics.horizontalAdvance(QStringLiteral("0000")) + margin;
    int right = opt.rect.right() - margin;
    if (const auto *view = qobject_cast<const QAbstractItemView *>(opt.widget))
        right = std::min(right, view->viewport()->width() - margin);
    if (right <= left)
        return;

    const bool selected = opt.state.testFlag(QStyle::State_Selected);
    const QColor plain = opt.palette.color(selected ? QPalette::HighlightedText : QPalette::Text);
    const QColor refused = selected ? plain : QColor(Qt::red).darker(130);
    const QColor accepted = selected ? plain : QColor(Qt::darkGreen);
    const QColor twice = selected ? plain : QColor(180, 90, 0);
    const QColor pending = selected ? plain : opt.palette.color(QPalette::PlaceholderText);

    painter->save();
    painter->setFont(opt.font);
    const int nameWidth = (right - left) * 2 / 5;
    const QRect nameRect(left, opt.rect.top(), nameWidth, opt.rect.height());
    painter->setPen(shown.problem.isEmpty() ? plain : refused);
    painter->drawText(nameRect, Qt::AlignLeft | Qt::AlignVCenter,
                      metrics.elidedText(shown.fileName, Qt::ElideMiddle, nameRect.width()));

    left = nameRect.right() + margin;
    QRect markRect(left, opt.rect.top(), right - left, opt.rect.height());
    const auto write = [&](const QString &text, const QColor &colour) {
        painter->setPen(colour);
        painter->drawText(markRect, Qt::AlignLeft | Qt::AlignVCenter,
                          metrics.elidedText(text, Qt::ElideRight, markRect.width()));
    };
    if (!shown.upload.isEmpty()) {
        write(shown.upload,
              shown.upload == QLatin1String("waiting") ? opt.palette.color(QPalette::PlaceholderText)
                  : sending                            ? plain
                                                       : accepted);
    } else if (shown.checking) {
        write(shown.duplicate.isEmpty() ? FrameListModel::checkingText()
                                        : FrameListModel::checkingText() + QStringLiteral("; ") + shown.duplicate,
              pending);
    } else if (!shown.problem.isEmpty()) {
        write(shown.duplicate.isEmpty() ? shown.problem : shown.problem + QStringLiteral("; ") + shown.duplicate,
              refused);
    } else {
        // Drawn rather than a glyph, so no font has to have a check mark.
        const qreal h = std::min(metrics.ascent(), markRect.height() - 2);
        const QPointF origin(markRect.left(), markRect.center().y() + h / 2.0);
        QPainterPath tick;
        tick.moveTo(origin + QPointF(0, -h * 0.45));
        tick.lineTo(origin + QPointF(h * 0.35, -h * 0.1));
        tick.lineTo(origin + QPointF(h, -h));
        painter->setRenderHint(QPainter::Antialiasing);
        painter->setPen(QPen(accepted, std::max(1.5, h / 6.0), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter->drawPath(tick);
        markRect.setLeft(markRect.left() + int(h) + margin);
        if (!shown.duplicate.isEmpty() && markRect.width() > 0)
            write(shown.duplicate, twice);
    }
    painter->restore();
}

void FrameEntryDelegate::setEditorData(QWidget *editor, const QModelIndex &index) const
{
    if (const auto *line = qobject_cast<QLineEdit *>(editor); line && line->isModified())
        return;
    QStyledItemDelegate::setEditorData(editor, index);
}
