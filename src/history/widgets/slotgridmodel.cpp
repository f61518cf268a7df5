#include "history/widgets/slotgridmodel.h"

#include "frame/framename.h"

#include <QDateTime>

QString SlotView::stateText() const
{
    if (holding.state != SlotState::Complete)
        return slotStateName(holding.state);
    return differs ? QStringLiteral("differs from the open list") : slotStateName(holding.state);
}

QString SlotView::loadedText() const
{
    if (!holding.loaded.isValid())
        return QString();
    return holding.loaded.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

SlotGridModel::SlotGridModel(QObject *parent)
    : QAbstractListModel(parent)
{ }

int SlotGridModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : DeviceHoldings::Slots;
}

QVariant SlotGridModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= DeviceHoldings::Slots)
        return QVariant();
    const SlotView &slot = m_slots[size_t(index.row())];
    switch (role) {
    case Qt::DisplayRole:
    case NumberRole:
        return FrameNumber::FormatFrameNumber(index.row());
    case Qt::DecorationRole:
        return slot.thumbnail;
    case Qt::ToolTipRole:
        if (slot.holding.state == SlotState::Empty)
            return QStringLiteral("Nothing was sent to this slot from here.");
        return QStringLiteral("%1 from %2, by %3 on %4")
            .arg(slot.holding.name, slot.holding.sourcePath, slot.holding.user, slot.holding.workstation);
    case NameRole:
        return slot.holding.name;
    case LoadedRole:
        return slot.loadedText();
    case StateRole:
        return slot.stateText();
    default:
        return QVariant();
    }
}

void SlotGridModel::clear()
{
    m_slots = SlotViews();
    emit dataChanged(index(0), index(DeviceHoldings::Slots - 1));
}

void SlotGridModel::setHoldings(const DeviceHoldings &holdings)
{
    for (int n = 0; n < DeviceHoldings::Slots; ++n) {
        SlotView &slot = m_slots[size_t(n)];
        // A picture already shown stays while its frame is the same one.
        if (slot.holding.sha256 != holdings.held[size_t(n)].sha256)
            slot.thumbnail = QImage();
        slot.holding = holdings.held[size_t(n)];
        slot.differs = false;
    }
    emit dataChanged(index(0), index(DeviceHoldings::Slots - 1));
}

void SlotGridModel::setDiffering(const QVector<int> &numbers)
{
    for (SlotView &slot : m_slots)
        slot.differs = false;
    for (const int n : numbers)
        if (n >= 0 && n < DeviceHoldings::Slots)
            m_slots[size_t(n)].differs = true;
    emit dataChanged(index(0), index(DeviceHoldings::Slots - 1), {StateRole});
}

void SlotGridModel::setThumbnail(int number, const QImage &thumbnail)
{
    if (number < 0 || number >= DeviceHoldings::Slots)
        return;
    m_slots[size_t(number)].thumbnail = thumbnail;
    emit dataChanged(index(number), index(number), {Qt::DecorationRole});
}
