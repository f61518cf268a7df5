#pragma once

#include "history/core/deviceholdings.h"

#include <QAbstractListModel>
#include <QImage>

#include <array>

// One slot as the window shows it: what the history says it holds, whether that differs from the
// open frame list, and its picture as the device shows it (null until made).
struct SlotView
{
    SlotHolding holding;
    bool differs = false; // complete, but not what the open list's last entry of its number sends
    QImage thumbnail;

    // "complete", "unknown", "empty" or "differs from the open list".
    QString stateText() const;
    // When it was loaded, in local time; empty when never.
    QString loadedText() const;
};

using SlotViews = std::array<SlotView, DeviceHoldings::Slots>;

// The 256 slots of one destination, by frame number: one row a slot, filled in as the reader's
// results arrive.
class SlotGridModel : public QAbstractListModel
{
    Q_OBJECT
public:
    enum Role { NumberRole = Qt::UserRole + 1, NameRole, LoadedRole, StateRole };

    explicit SlotGridModel(QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

    const SlotViews &slotViews() const { return m_slots; }
    // Every slot empty, pictures gone: for a destination not read yet.
    void clear();
    void setHoldings(const DeviceHoldings &holdings);
    // The numbers whose complete slot differs from the open list.
    void setDiffering(const QVector<int> &numbers);
    void setThumbnail(int number, const QImage &thumbnail);

private:
    SlotViews m_slots;
};
