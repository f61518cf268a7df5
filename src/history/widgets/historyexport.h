#pragma once

#include "history/widgets/slotgridmodel.h"

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

// What the window hands over at the end of a shift: the grid as a picture, the views as a table.
namespace HistoryExport {

constexpr int SheetColumns = 16;
constexpr int SheetTitleHeight = 28;

// The contact sheet's size: 16 x 16 cells under a title line.
QSize sheetSize();
// The grid as it stands: every slot's picture with its number, name, loaded time and state, under
// the title.
QImage contactSheet(const QString &title, const SlotViews &views);
// One row a slot: number, name, state, loaded, workstation, user, source path, SHA-256 in hex;
// UTF-8 with a byte-order mark (which spreadsheets need to read it as such), CR LF line ends,
// fields quoted where they must be.
QByteArray csv(const SlotViews &views);
// bytes put at path whole, or nothing changed there and why in *error.
bool write(const QString &path, const QByteArray &bytes, QString *error = nullptr);
// The picture as PNG.
QByteArray png(const QImage &image);

} // namespace HistoryExport
