#include "history/widgets/historywindow.h"

#include "history/widgets/historyexport.h"
#include "history/widgets/slotdelegate.h"
#include "history/widgets/slotgridmodel.h"

#include "history/core/historydatabase.h"
#include "history/core/historysettings.h"
#include "history/core/loadhistory.h"

#include "framelist/core/framelistmodel.h"
#include "widgets/modals.h"

#include <QAction>
#include <QDateTime>
#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QListView>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QRegularExpression>
#include <QSplitter>
#include <QStackedWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace {

QString timeText(const QDateTime &when)
{
    return when.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm"));
}

// What the list says of a destination beneath its name.
QString lastLoadText(const DestinationRow &row)
{
    const bool forgottenSince =
        row.forgotten.isValid() && (!row.lastComplete || row.forgotten >= row.lastComplete->ended);
    if (forgottenSince)
        return QStringLiteral("forgotten %1").arg(timeText(row.forgotten));
    if (!row.lastComplete)
        return QStringLiteral("no complete load");
    return QStringLiteral("last complete load ended %1, from %2 by %3")
        .arg(timeText(row.lastComplete->ended), row.lastComplete->info.workstation, row.lastComplete->info.user);
}

QPushButton *button(QWidget *parent, const char *name, const QString &caption)
{
    auto *result = new QPushButton(caption, parent);
    result->setObjectName(QString::fromLatin1(name));
    return result;
}

} // namespace

HistoryWindow::HistoryWindow(QWidget *parent, const FrameListModel *list)
    : QWidget(parent, Qt::Window)
    , m_list(list)
    , m_reader(new HistoryReader(this))
    , m_model(new SlotGridModel(this))
    , m_file(new QLabel(this))
    , m_pages(new QStackedWidget(this))
    , m_problem(new QLabel(this))
    , m_destinations(new QListWidget(this))
    , m_summary(new QLabel(this))
    , m_grid(new QListView(this))
    , m_forget(button(this, "cmdForget", QStringLiteral("&Forget what this device holds")))
    , m_sheet(button(this, "cmdExportSheet", QStringLiteral("Export contact &sheet...")))
    , m_csv(button(this, "cmdExportCsv", QStringLiteral("Export &CSV...")))
    , m_status(new QLabel(this))
    , m_listChanged(new QTimer(this))
{
    setObjectName(QStringLiteral("frmHistory"));
    setWindowTitle(QStringLiteral("What the devices hold"));
    m_file->setObjectName(QStringLiteral("lblHistoryFile"));
    m_file->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_problem->setObjectName(QStringLiteral("lblHistoryProblem"));
    m_problem->setWordWrap(true);
    m_problem->setAlignment(Qt::AlignCenter);
    m_destinations->setObjectName(QStringLiteral("lstDestinations"));
    m_summary->setObjectName(QStringLiteral("lblSummary"));
    m_summary->setWordWrap(true);
    m_status->setObjectName(QStringLiteral("lblStatus"));

    // One model and one delegate: 256 cells laid out at once, never 256 widgets.
    m_grid->setObjectName(QStringLiteral("grdSlots"));
    m_grid->setViewMode(QListView::IconMode);
    m_grid->setResizeMode(QListView::Adjust);
    m_grid->setMovement(QListView::Static);
    m_grid->setUniformItemSizes(true);
    m_grid->setSelectionMode(QAbstractItemView::SingleSelection);
    m_grid->setItemDelegate(new SlotDelegate(m_grid));
    m_grid->setModel(m_model);

    auto *fileButton = button(this, "cmdHistoryFile", QStringLiteral("History &file..."));
    buildFileMenu(fileButton);
    auto *refreshButton = button(this, "cmdRefresh", QStringLiteral("&Refresh"));

    auto *top = new QHBoxLayout;
    top->addWidget(m_file, 1);
    top->addWidget(fileButton);
    auto *buttons = new QHBoxLayout;
    for (QPushButton *each : {m_forget, m_sheet, m_csv})
        buttons->addWidget(each);
    buttons->addStretch(1);
    buttons->addWidget(refreshButton);
    auto *right = new QWidget(this);
    auto *rightLayout = new QVBoxLayout(right);
    rightLayout->setContentsMargins(0, 0, 0, 0);
    rightLayout->addWidget(m_summary);
    rightLayout->addWidget(m_grid, 1);
    rightLayout->addLayout(buttons);
    auto *split = new QSplitter(this);
    split->addWidget(m_destinations);
    split->addWidget(right);
    split->setStretchFactor(1, 1);
    m_pages->setObjectName(QStringLiteral("pgsHistory"));
    m_pages->addWidget(split);
    m_pages->addWidget(m_problem);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_pages, 1);
    layout->addWidget(m_status);
    resize(4 * SlotDelegate::CellWidth + 320, 4 * SlotDelegate::CellHeight + 120);

    connect(m_destinations, &QListWidget::currentRowChanged, this, &HistoryWindow::chooseDestination);
    connect(refreshButton, &QPushButton::clicked, this, &HistoryWindow::refresh);
    connect(m_forget, &QPushButton::clicked, this, &HistoryWindow::forget);
    connect(m_sheet, &QPushButton::clicked, this, &HistoryWindow::exportSheet);
    connect(m_csv, &QPushButton::clicked, this, &HistoryWindow::exportCsv);
    connect(m_reader, &HistoryReader::destinationsRead, this, &HistoryWindow::destinationsRead);
    connect(m_reader, &HistoryReader::holdingsRead, this,
            [this](const QString &identity, const DeviceHoldings &holdings) {
                if (identity == m_identity)
                    m_model->setHoldings(holdings);
            });
    connect(m_reader, &HistoryReader::thumbnailsMade, this, [this](const HistoryReader::Thumbnails &made) {
        for (const auto &[number, picture] : made)
            m_model->setThumbnail(number, picture);
    });
    connect(m_reader, &HistoryReader::differingFound, m_model, &SlotGridModel::setDiffering);
    connect(m_reader, &HistoryReader::readDone, this, [this] {
        m_settled = true;
        m_status->clear();
    });

    // An edited list changes what differs; looked at again once the editing pauses.
    m_listChanged->setSingleShot(true);
    m_listChanged->setInterval(1000);
    connect(m_listChanged, &QTimer::timeout, this, [this] {
        if (isVisible())
            refresh();
    });
    if (m_list) {
        const auto changed = [this] { m_listChanged->start(); };
        connect(m_list, &QAbstractItemModel::rowsInserted, this, changed);
        connect(m_list, &QAbstractItemModel::rowsRemoved, this, changed);
        connect(m_list, &QAbstractItemModel::modelReset, this, changed);
        connect(m_list, &QAbstractItemModel::dataChanged, this,
                [changed](const QModelIndex &, const QModelIndex &, const QList<int> &roles) {
                    if (roles.isEmpty() || roles.contains(Qt::DisplayRole))
                        changed();
                });
    }
    refresh();
}

void HistoryWindow::buildFileMenu(QPushButton *button)
{
    auto *menu = new QMenu(button);
    auto *other = menu->addAction(QStringLiteral("Use &another file..."));
    other->setObjectName(QStringLiteral("actHistoryOtherFile"));
    auto *standard = menu->addAction(QStringLiteral("Use the &default file"));
    standard->setObjectName(QStringLiteral("actHistoryDefaultFile"));
    auto *off = menu->addAction(QStringLiteral("Turn the history &off"));
    off->setObjectName(QStringLiteral("actHistoryOff"));
    button->setMenu(menu);
    connect(other, &QAction::triggered, this, [this] {
        const QString path =
            Modals::fileName(this,
                             {FileRequest::Save, QStringLiteral("Load history file"), HistorySettings::path(),
                              QStringLiteral("Load history (*.sqlite *.db);;All files (*)")});
        if (!path.isEmpty())
            useFile(true, path);
    });
    connect(standard, &QAction::triggered, this, [this] { useFile(true, QString()); });
    connect(off, &QAction::triggered, this, [this] { useFile(false, HistorySettings::path()); });
}

void HistoryWindow::useFile(bool enabled, const QString &path)
{
    QString why;
    if (!HistorySettings::store(enabled, path, &why))
        Modals::message(this, why, QString(), QMessageBox::Warning);
    refresh();
}

QVector<UploadJob> HistoryWindow::listJobs() const
{
    QVector<UploadJob> jobs;
    if (m_list)
        for (const FrameEntry &entry : m_list->entries())
            jobs.append({entry.number, entry.path});
    return jobs;
}

void HistoryWindow::refresh()
{
    if (!HistorySettings::enabled()) {
        m_file->setText(QStringLiteral("The load history is off."));
        showProblem(QStringLiteral("The load history is off: uploads are not recorded, and nothing can be shown "
                                   "here. Turn it on with History file."));
        m_settled = true;
        return;
    }
    const QString path = HistorySettings::path();
    m_file->setText(QStringLiteral("History file: %1").arg(QDir::toNativeSeparators(path)));
    m_settled = false;
    m_status->setText(QStringLiteral("Reading the load history..."));
    m_reader->read(path, m_identity, listJobs());
}

void HistoryWindow::showProblem(const QString &words)
{
    m_problem->setText(words);
    m_pages->setCurrentWidget(m_problem);
    m_rows.clear();
    m_destinations->clear();
    m_model->clear();
    m_status->clear();
}

void HistoryWindow::destinationsRead(const QString &problem, const QVector<DestinationRow> &rows)
{
    if (!problem.isEmpty()) {
        showProblem(problem
                    + QStringLiteral("\n\nChoose another file or turn the history off with History file; uploads "
                                     "work either way."));
        return;
    }
    m_pages->setCurrentIndex(0);
    m_rows = rows;
    int chosen = -1;
    {
        const QSignalBlocker quiet(m_destinations);
        m_destinations->clear();
        for (int i = 0; i < rows.size(); ++i) {
            m_destinations->addItem(rows[i].destination.label + QLatin1Char('\n') + lastLoadText(rows[i]));
            m_destinations->item(i)->setToolTip(rows[i].destination.identity);
            if (rows[i].destination.identity == m_identity)
                chosen = i;
        }
        m_destinations->setCurrentRow(chosen);
    }
    if (chosen < 0 && !rows.isEmpty()) {
        m_destinations->setCurrentRow(0); // reads it
        return;
    }
    if (chosen < 0) {
        m_identity.clear();
        m_model->clear();
    }
    showSummary();
}

void HistoryWindow::chooseDestination()
{
    const int row = m_destinations->currentRow();
    const QString identity = row >= 0 && row < m_rows.size() ? m_rows[row].destination.identity : QString();
    if (identity == m_identity)
        return;
    m_identity = identity;
    m_model->clear(); // placeholders at once; the views fill in as they are read
    showSummary();
    refresh();
}

const DestinationRow *HistoryWindow::chosenRow() const
{
    for (const DestinationRow &row : m_rows)
        if (row.destination.identity == m_identity)
            return &row;
    return nullptr;
}

void HistoryWindow::showSummary()
{
    const DestinationRow *row = chosenRow();
    for (QPushButton *each : {m_forget, m_sheet, m_csv})
        each->setEnabled(row);
    if (!row)
        m_summary->setText(m_rows.isEmpty() ? QStringLiteral("This history file holds no uploads yet.") : QString());
    else
        m_summary->setText(QStringLiteral("%1 (%2): %3. The history knows only what was sent from computers "
                                          "that use this file.")
                               .arg(row->destination.label, row->destination.identity, lastLoadText(*row)));
}

void HistoryWindow::forget()
{
    const DestinationRow *row = chosenRow();
    if (!row)
        return;
    const QString label = row->destination.label;
    if (Modals::message(this,
                        QStringLiteral("Forget what %1 holds?\n\nEvery slot shows as unknown until a frame is sent "
                                       "there again, and the next upload of changed frames sends them all. Do this "
                                       "for a device that was reset or loaded from elsewhere.")
                            .arg(label),
                        QStringLiteral("Forget what this device holds"), QMessageBox::Question,
                        QMessageBox::Yes | QMessageBox::No)
        != QMessageBox::Yes)
        return;
    const QString identity = m_identity;
    m_status->setText(QStringLiteral("Forgetting what %1 holds...").arg(label));
    m_reader->run(
        HistorySettings::path(),
        [identity](const HistoryDatabase *db) {
            QString why;
            if (db)
                LoadHistory(*db).forget(identity, &why);
            return why;
        },
        [this, label](const QString &error) {
            if (!error.isEmpty())
                Modals::message(this, QStringLiteral("What %1 holds was not forgotten: %2").arg(label, error),
                                QString(), QMessageBox::Warning);
            refresh();
        });
}

QString HistoryWindow::exportPath(const QString &caption, const QString &suffix, const QString &filter)
{
    const DestinationRow *row = chosenRow();
    QString name = row ? row->destination.label : QStringLiteral("history");
    name.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9_-]+")), QStringLiteral("-"));
    name += QDateTime::currentDateTime().toString(QStringLiteral("-yyyyMMdd-HHmm")) + suffix;
    return Modals::fileName(this, {FileRequest::Save, caption, QDir::home().filePath(name), filter});
}

void HistoryWindow::exportNow(const QString &path, const QString &what, std::function<QByteArray()> make)
{
    m_status->setText(QStringLiteral("Writing %1...").arg(QDir::toNativeSeparators(path)));
    // Encoded and written on the reader's thread: a slow disk never holds the window.
    m_reader->run(
        QString(),
        [path, make = std::move(make)](const HistoryDatabase *) {
            QString why;
            return HistoryExport::write(path, make(), &why) ? QString() : why;
        },
        [this, path, what](const QString &error) {
            if (error.isEmpty()) {
                m_status->setText(
                    QStringLiteral("The %1 was written to %2.").arg(what, QDir::toNativeSeparators(path)));
                return;
            }
            m_status->clear();
            Modals::message(this,
                            QStringLiteral("The %1 could not be written to %2: %3.")
                                .arg(what, QDir::toNativeSeparators(path), error),
                            QString(), QMessageBox::Warning);
        });
}

void HistoryWindow::exportSheet()
{
    const DestinationRow *row = chosenRow();
    if (!row)
        return;
    const QString path = exportPath(QStringLiteral("Export contact sheet"), QStringLiteral(".png"),
                                    QStringLiteral("PNG pictures (*.png)"));
    if (path.isEmpty())
        return;
    const QString title = QStringLiteral("%1 (%2), %3 as of %4")
                              .arg(row->destination.label, row->destination.identity, lastLoadText(*row),
                                   timeText(QDateTime::currentDateTime()));
    // Painted and encoded here (the fonts and the image plugins are the window thread's; a PNG
    // encoded on another thread crashed that thread's exit on Windows), written on the reader's.
    const QByteArray png = HistoryExport::png(HistoryExport::contactSheet(title, m_model->slotViews()));
    exportNow(path, QStringLiteral("contact sheet"), [png] { return png; });
}

void HistoryWindow::exportCsv()
{
    if (!chosenRow())
        return;
    const QString path =
        exportPath(QStringLiteral("Export CSV"), QStringLiteral(".csv"), QStringLiteral("CSV files (*.csv)"));
    if (!path.isEmpty())
        exportNow(path, QStringLiteral("CSV file"),
                  [views = m_model->slotViews()] { return HistoryExport::csv(views); });
}
