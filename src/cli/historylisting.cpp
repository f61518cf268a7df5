#include "cli/historylisting.h"

#include "cli/command.h"
#include "framelist/core/framenumber.h"
#include "history/core/destinationidentity.h"
#include "history/core/historydatabase.h"
#include "history/core/loadhistory.h"
#include "serial/core/portmap.h"
#include "serial/core/portsettings.h"

#include <QRegularExpression>
#include <QStringList>
#include <QTextStream>

namespace {

QString timeText(const QDateTime &time)
{
    return time.isValid() ? time.toLocalTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")) : QString();
}

QString lastLoadText(const std::optional<LoadSummary> &load)
{
    if (!load)
        return QStringLiteral("no complete load");
    QString text = QStringLiteral("%1 from %2").arg(timeText(load->ended), load->info.workstation);
    if (!load->info.user.isEmpty())
        text += QStringLiteral(" by ") + load->info.user;
    if (!load->info.listFile.isEmpty())
        text += QStringLiteral(" (list %1)").arg(load->info.listFile);
    return text;
}

// Columns padded to their widest cell, the last one left as it is.
void printTable(QTextStream &out, const QVector<QStringList> &rows)
{
    QVector<int> widths;
    for (const QStringList &row : rows) {
        for (int c = 0; c < row.size(); ++c) {
            if (widths.size() <= c)
                widths.append(0);
            widths[c] = std::max(widths[c], int(row.at(c).size()));
        }
    }
    for (const QStringList &row : rows) {
        QString line;
        for (int c = 0; c < row.size(); ++c)
            line += c + 1 < row.size() ? row.at(c).leftJustified(widths.at(c) + 2) : row.at(c);
        out << line << Qt::endl;
    }
}

int failed(QTextStream &err, const QString &why)
{
    err << why << Qt::endl;
    return Command::Failure;
}

int showAll(const LoadHistory &history, QTextStream &out, QTextStream &err)
{
    QString why;
    const auto destinations = history.destinations(&why);
    if (!destinations)
        return failed(err, why);
    if (destinations->isEmpty()) {
        out << QStringLiteral("The load history has no destinations yet.") << Qt::endl;
        return Command::Success;
    }
    QVector<QStringList> rows{{QStringLiteral("Destination"), QStringLiteral("Complete"), QStringLiteral("Unknown"),
                               QStringLiteral("Last complete load")}};
    for (const Destination &destination : *destinations) {
        const auto holdings = history.holdings(destination.identity, &why);
        const auto last = history.lastCompleteLoad(destination.identity, &why);
        if (!holdings || (!last && !why.isEmpty()))
            return failed(err, why);
        int complete = 0;
        int unknown = 0;
        for (const SlotHolding &slot : holdings->held) {
            complete += slot.state == SlotState::Complete ? 1 : 0;
            unknown += slot.state == SlotState::Unknown ? 1 : 0;
        }
        rows.append({destination.identity, QString::number(complete), QString::number(unknown), lastLoadText(last)});
    }
    printTable(out, rows);
    return Command::Success;
}

int showOne(const LoadHistory &history, const Destination &destination, QTextStream &out, QTextStream &err)
{
    QString why;
    const auto holdings = history.holdings(destination.identity, &why);
    const auto last = history.lastCompleteLoad(destination.identity, &why);
    if (!holdings || (!last && !why.isEmpty()))
        return failed(err, why);
    out << destination.identity << QStringLiteral(" (last shown as ") << destination.label << QStringLiteral(")")
        << Qt::endl
        << QStringLiteral("Last complete load: ") << lastLoadText(last) << Qt::endl;
    if (holdings->forgotten.isValid())
        out << QStringLiteral("Forgotten: ") << timeText(holdings->forgotten) << Qt::endl;
    QVector<QStringList> rows{
        {QStringLiteral("Number"), QStringLiteral("Name"), QStringLiteral("Loaded"), QStringLiteral("State")}};
    // Numbers never sent from here are counted, not listed: empty, or unknown once forgotten.
    int neverSent = 0;
    for (int number = 0; number < DeviceHoldings::Slots; ++number) {
        const SlotHolding &slot = holdings->held[size_t(number)];
        if (slot.sha256.isEmpty()) {
            ++neverSent;
            continue;
        }
        rows.append(
            {FrameNumber::FormatFrameNumber(number), slot.name, timeText(slot.loaded), slotStateName(slot.state)});
    }
    out << Qt::endl;
    printTable(out, rows);
    if (neverSent > 0)
        out << QStringLiteral("%1 of %2 numbers were never loaded from this computer (%3).")
                   .arg(neverSent)
                   .arg(DeviceHoldings::Slots)
                   .arg(holdings->forgotten.isValid() ? slotStateName(SlotState::Unknown)
                                                      : slotStateName(SlotState::Empty))
            << Qt::endl;
    return Command::Success;
}

} // namespace

namespace HistoryListing {

std::optional<Destination> find(const LoadHistory &history, const QString &text, QString *error)
{
    const auto known = history.destinations(error);
    if (!known)
        return std::nullopt;
    QStringList candidates{text};
    static const QRegularExpression comPort(QStringLiteral("^[Cc][Oo][Mm]([0-9]+)$"));
    const auto com = comPort.match(text);
    if (com.hasMatch())
        candidates << PortMap::devicePath(com.captured(1).toInt(), PortSettings());
    QStringList identities;
    for (const QString &candidate : qAsConst(candidates)) {
        identities << candidate;
        if (const auto device = DestinationIdentity::device(candidate))
            identities << device->identity;
        identities << DestinationIdentity::capture(candidate).identity;
    }
    for (const QString &identity : qAsConst(identities)) {
        for (const Destination &destination : *known) {
            if (destination.identity == identity || destination.label == identity)
                return destination;
        }
    }
    if (error)
        *error = QStringLiteral("The load history knows no destination \"%1\": drelin-upload --show-history lists "
                                "those it knows.")
                     .arg(text);
    return std::nullopt;
}

int show(const HistoryDatabase &db, const QString &destination, QTextStream &out, QTextStream &err)
{
    const LoadHistory history(db);
    if (destination.isEmpty())
        return showAll(history, out, err);
    QString why;
    const auto found = find(history, destination, &why);
    return found ? showOne(history, *found, out, err) : failed(err, why);
}

int forget(const HistoryDatabase &db, const QString &destination, QTextStream &out, QTextStream &err)
{
    const LoadHistory history(db);
    QString why;
    const auto found = find(history, destination, &why);
    if (!found || !history.forget(found->identity, &why))
        return failed(err, why);
    out << QStringLiteral("Forgot what %1 holds: every slot is unknown until frames are sent to it again.")
               .arg(found->identity)
        << Qt::endl;
    return Command::Success;
}

} // namespace HistoryListing
