#pragma once

#include <QObject>
#include <QPersistentModelIndex>

class QAbstractItemModel;
class QAbstractItemView;

// Tells when the operator chooses an item of a list: a click (also on the item that is already
// current), or moving to it with the keys (arrows, Home, End, typing its first letters). A current
// item that moves because the model changed (rows removed, a re-sort, a reset) is no choice.
class ItemChoice : public QObject
{
    Q_OBJECT
public:
    // Sets `model` on `view` and watches both; lives as long as the view.
    static ItemChoice *install(QAbstractItemView *view, QAbstractItemModel *model);

signals:
    void chosen(const QModelIndex &index);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    explicit ItemChoice(QAbstractItemView *view);
    void onCurrentChanged(const QModelIndex &current);
    void onClicked(const QModelIndex &index);

    QAbstractItemView *m_view;
    QObject *m_viewport = nullptr;
    QPersistentModelIndex m_pressedCurrent; // the item a press landed on while it was current
    int m_modelChanging = 0;
};
