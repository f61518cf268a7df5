#pragma once

#include "history/core/destination.h"

#include <QString>

#include <optional>

class HistoryDatabase;
class LoadHistory;
class QTextStream;

// drelin-upload's reading of the load history: what it knows, as tables, and forgetting a device.
namespace HistoryListing {

// The destination the history knows by text: its identity or its label as listed, a device path
// or device server URL (by the identity it has now), a capture file, or "ComN".
std::optional<Destination> find(const LoadHistory &history, const QString &text, QString *error);

// Without destination: every destination known, with its last complete load. With one: what it
// holds, slot by slot. A Command exit code.
int show(const HistoryDatabase &db, const QString &destination, QTextStream &out, QTextStream &err);
int forget(const HistoryDatabase &db, const QString &destination, QTextStream &out, QTextStream &err);

} // namespace HistoryListing
