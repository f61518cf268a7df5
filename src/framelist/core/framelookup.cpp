#include "framelist/core/framelookup.h"

#include "framelist/core/framelistmodel.h"

#include <QItemSelectionModel>

namespace FrameLookup {

int FindFrame(const FrameListModel &list, int number)
{
    const int count = list.count();
    for (int position = 1; position <= count; ++position) {
        if (list.entry(position).number == number)
            return position;
    }
    return -1;
}

int firstSelected(const FrameListModel &list, const QItemSelectionModel *selection)
{
    if (!selection)
        return -1;
    const int count = list.count();
    for (int position = 1; position <= count; ++position) {
        if (selection->rowIntersectsSelection(position - 1, QModelIndex()))
            return position;
    }
    return -1;
}

QString GetSelectedFramePath(const FrameListModel &list, const QItemSelectionModel *selection)
{
    const int position = firstSelected(list, selection);
    return position < 0 ? QString() : list.entry(position).path;
}

bool IsSelectedFrame(const FrameListModel &list, const QItemSelectionModel *selection, int number)
{
    const int position = firstSelected(list, selection);
    return position > 0 && list.entry(position).number == number;
}

} // namespace FrameLookup
