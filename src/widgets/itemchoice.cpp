#include "widgets/itemchoice.h"

#include <QAbstractItemView>
#include <QMouseEvent>

ItemChoice::ItemChoice(QAbstractItemView *view)
    : QObject(view)
    , m_view(view)
{ }

ItemChoice *ItemChoice::install(QAbstractItemView *view, QAbstractItemModel *model)
{
    auto *choice = new ItemChoice(view);
    // Connected before the view's selection model exists, so these run before it moves the
    // current item in answer to the same change.
    const auto begin = [choice] { ++choice->m_modelChanging; };
    const auto end = [choice] { --choice->m_modelChanging; };
    connect(model, &QAbstractItemModel::rowsAboutToBeRemoved, choice, begin);
    connect(model, &QAbstractItemModel::rowsRemoved, choice, end);
    connect(model, &QAbstractItemModel::rowsAboutToBeInserted, choice, begin);
    connect(model, &QAbstractItemModel::rowsInserted, choice, end);
    connect(model, &QAbstractItemModel::rowsAboutToBeMoved, choice, begin);
    connect(model, &QAbstractItemModel::rowsMoved, choice, end);
    connect(model, &QAbstractItemModel::layoutAboutToBeChanged, choice, begin);
    connect(model, &QAbstractItemModel::layoutChanged, choice, end);
    connect(model, &QAbstractItemModel::modelAboutToBeReset, choice, begin);
    connect(model, &QAbstractItemModel::modelReset, choice, end);

    view->setModel(model);
    connect(view->selectionModel(), &QItemSelectionModel::currentChanged, choice,
            [choice](const QModelIndex &current, const QModelIndex &previous) {
                // Another column of the same row is the same item.
                if (current.siblingAtColumn(0) != previous.siblingAtColumn(0))
                    choice->onCurrentChanged(current);
            });
    connect(view, &QAbstractItemView::clicked, choice, &ItemChoice::onClicked);
    choice->m_viewport = view->viewport();
    choice->m_viewport->installEventFilter(choice);
    return choice;
}

void ItemChoice::onCurrentChanged(const QModelIndex &current)
{
    if (m_modelChanging == 0 && current.isValid())
        emit chosen(current);
}

void ItemChoice::onClicked(const QModelIndex &index)
{
    // A click that moved the current item was told already.
    if (index.isValid() && index == m_pressedCurrent)
        emit chosen(index);
    m_pressedCurrent = QPersistentModelIndex();
}

bool ItemChoice::eventFilter(QObject *watched, QEvent *event)
{
    // The viewport's events reach here while the view is being destroyed too: look at the type first.
    if (event->type() == QEvent::MouseButtonPress && watched == m_viewport) {
        const QModelIndex at = m_view->indexAt(static_cast<QMouseEvent *>(event)->position().toPoint());
        const bool onCurrent = at.isValid() && at.siblingAtColumn(0) == m_view->currentIndex().siblingAtColumn(0);
        m_pressedCurrent = onCurrent ? QPersistentModelIndex(at) : QPersistentModelIndex();
    }
    return QObject::eventFilter(watched, event);
}
