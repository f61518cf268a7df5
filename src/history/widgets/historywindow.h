#pragma once

#include "history/widgets/historyreader.h"

#include <QString>
#include <QVector>
#include <QWidget>

class FrameListModel;
class QLabel;
class QListView;
class QListWidget;
class QPushButton;
class QStackedWidget;
class QTimer;
class SlotGridModel;

// What each device holds, at a glance: the destinations the load history knows, and for the one
// chosen its 256 slots as the device shows them, against the frame list open in the main window.
// Everything is read off the window's thread; the grid shows at once and fills in.
class HistoryWindow : public QWidget
{
    Q_OBJECT
public:
    // list: the main window's frame list, which the slots are compared with.
    HistoryWindow(QWidget *parent, const FrameListModel *list);

    const SlotGridModel *slotModel() const { return m_model; }
    // The destination chosen; empty when none.
    QString identity() const { return m_identity; }
    // Whether everything the latest look asked for has arrived.
    bool isSettled() const { return m_settled; }

public slots:
    // Reads the history again: the destinations, the chosen one's slots, the open list's files.
    void refresh();

private:
    void buildFileMenu(QPushButton *button);
    void chooseDestination();
    void destinationsRead(const QString &problem, const QVector<DestinationRow> &rows);
    void showProblem(const QString &words);
    void showSummary();
    void forget();
    void exportSheet();
    void exportCsv();
    void useFile(bool enabled, const QString &path);
    // A file to write an export to, chosen by the operator; empty when cancelled.
    QString exportPath(const QString &caption, const QString &suffix, const QString &filter);
    void exportNow(const QString &path, const QString &what, std::function<QByteArray()> make);
    QVector<UploadJob> listJobs() const;
    const DestinationRow *chosenRow() const;

    const FrameListModel *m_list;
    HistoryReader *m_reader;
    SlotGridModel *m_model;
    QLabel *m_file;
    QStackedWidget *m_pages;
    QLabel *m_problem;
    QListWidget *m_destinations;
    QLabel *m_summary;
    QListView *m_grid;
    QPushButton *m_forget;
    QPushButton *m_sheet;
    QPushButton *m_csv;
    QLabel *m_status;
    QTimer *m_listChanged;
    QVector<DestinationRow> m_rows;
    QString m_identity;
    bool m_settled = false;
};
