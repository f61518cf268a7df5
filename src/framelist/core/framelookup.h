#pragma once

#include <QString>

class FrameListModel;
class QItemSelectionModel;

// Look-ups on the frame list. Positions are 1-based; text comparisons are exact.
namespace FrameLookup {

// The position of the first entry whose text is `text`, or -1.
int FindFrame(const FrameListModel &list, const QString &text);

// The position of the first selected entry in list order, or -1.
int firstSelected(const FrameListModel &list, const QItemSelectionModel *selection);

// The path of the first selected entry; empty when none is selected.
QString GetSelectedFramePath(const FrameListModel &list, const QItemSelectionModel *selection);

// True when the first selected entry in list order has the text `text`.
bool IsSelectedFrame(const FrameListModel &list, const QItemSelectionModel *selection, const QString &text);

} // namespace FrameLookup
