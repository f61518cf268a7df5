#pragma once

#include <QString>

class FrameListModel;
class QItemSelectionModel;

// Look-ups on the frame list. Positions are 1-based.
namespace FrameLookup {

// The position of the first entry numbered `number`, or -1.
int FindFrame(const FrameListModel &list, int number);

// The position of the first selected entry in list order, or -1.
int firstSelected(const FrameListModel &list, const QItemSelectionModel *selection);

// The path of the first selected entry; empty when none is selected.
QString GetSelectedFramePath(const FrameListModel &list, const QItemSelectionModel *selection);

// True when the first selected entry in list order is numbered `number`.
bool IsSelectedFrame(const FrameListModel &list, const QItemSelectionModel *selection, int number);

} // namespace FrameLookup
