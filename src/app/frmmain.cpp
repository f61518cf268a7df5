#include "app/frmmain.h"

#include "about/widgets/frmabout.h"
#include "base/appinfo.h"
#include "base/duration.h"
#include "base/localpath.h"
#include "browser/widgets/bitmapbrowser.h"
#include "browser/widgets/drivelistbox.h"
#include "browser/widgets/filelistbox.h"
#include "frame/wireformat.h"
#include "framelist/core/framelistmodel.h"
#include "framelist/widgets/frameadder.h"
#include "framelist/widgets/frameeditor.h"
#include "framelist/widgets/frameentrydelegate.h"
#include "framelist/widgets/framelistfiles.h"
#include "history/widgets/historywindow.h"
#include "import/widgets/importdialog.h"
#include "network/core/deviceaddress.h"
#include "serial/core/serialportcomponent.h"
#include "serial/core/serialsetup.h"
#include "serial/widgets/frmproperties.h"
#include "upload/widgets/uploadcontroller.h"
#include "widgets/artwork.h"
#include "widgets/formstyle.h"
#include "widgets/itemchoice.h"
#include "widgets/modals.h"
#include "widgets/screenplacement.h"
#include "widgets/twips.h"

#include <QAction>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QResizeEvent>
#include <QTimer>
#include <QTreeView>

frmMain::frmMain(QWidget *parent, Clock *clock, const QString &keptList)
    : QMainWindow(parent)
    , m_comm(new SerialPortComponent(this))
    , m_frames(new FrameListModel(this))
{
    setObjectName(QStringLiteral("frmMain"));
    m_comm->setObjectName(QStringLiteral("MSComm1"));
    setWindowTitle(QString::fromUtf8(AppInfo::ProductName));
    setWindowIcon(Artwork::programIcon());
    FormStyle::apply(this);

    auto *client = new QWidget(this);
    client->setObjectName(QStringLiteral("clientArea"));
    QPalette colours = client->palette();
    colours.setColor(QPalette::Window, QColor(0xC0, 0xC0, 0xC0));
    colours.setColor(QPalette::WindowText, Qt::black);
    client->setPalette(colours);
    client->setAutoFillBackground(true);
    setCentralWidget(client);

    ui.build(this, client);
    ui.Drive1->setFocus(); // first in the tab order
    ui.ListView1->setItemDelegateForColumn(FrameListModel::FrameColumn, new FrameEntryDelegate(ui.ListView1));
    // Choosing an entry with the keys previews it as a click does.
    connect(ItemChoice::install(ui.ListView1, m_frames), &ItemChoice::chosen, this,
            [this](const QModelIndex &index) { m_browser->ListView1_ItemClick(index.row() + 1); });
    m_browser = new BitmapBrowser(this, ui.Drive1, ui.Dir1, ui.File1, ui.Image1, ui.Image2, m_frames);
    // Only listed here: the first bitmap is selected and previewed once, by the start-up sequence.
    m_browser->showFolder(LocalPath::currentFolder());
    m_editor = new FrameEditor(this, ui.ListView1, m_frames, ui.Timer2);
    m_adder = new FrameAdder(this, m_frames, m_browser, ui.ListView1);
    // After the adder, so a dropped list file is seen before the adder looks for bitmaps.
    m_listFiles = new FrameListFiles(this, m_frames, ui.ListView1, keptList);
    UploadControls forUpload = ui.forUpload();
    // Restore is not locked with them: it follows the list's emptiness, which an upload cannot change.
    forUpload.menus << m_listFiles->openAction() << m_listFiles->saveAction() << m_listFiles->saveAsAction();
    m_upload = new UploadController(this, forUpload, m_comm, m_frames, clock ? *clock : m_clock,
                                    [this] { mnuProperties_Click(); });
    // The hint shows before the port is set up: its time is the device's line.
    m_listFiles->setLineTime([](int frames) {
        const LineSettings line = SerialSetup::deviceLine();
        return expectedUploadMs(frames, line.baudRate, line.bitsPerCharacter());
    });
    // Whatever reads or replaces the list first ends a number edit still open in it.
    const auto endEdit = [this] { m_editor->endEdit(); };
    m_adder->setBeforeChange(endEdit);
    m_listFiles->setBeforeChange(endEdit);
    m_upload->setBeforeUpload(endEdit);
    m_upload->setListFile([this] { return m_listFiles->file(); });
    buildFrameListMenu();
    connect(ui.cmdCopy, &QPushButton::clicked, m_adder, &FrameAdder::cmdCopy_Click);
    connect(ui.cmdCopyAll, &QPushButton::clicked, m_adder, &FrameAdder::cmdCopyAll_Click);
    connect(ui.cmdRemove, &QPushButton::clicked, m_editor, &FrameEditor::cmdRemove_Click);
    connect(ui.cmdRemoveAll, &QPushButton::clicked, m_editor, &FrameEditor::cmdRemoveAll_Click);

    // The designed size; more room goes to the frame list and the previews.
    resize(Twips::toPixels(MainWindowControls::ClientWidth),
           Twips::toPixels(MainWindowControls::ClientHeight) + menuBar()->sizeHint().height());
    client->installEventFilter(this);

    // Enter presses the focused button, as on the desktop the operators come from.
    for (QPushButton *button : client->findChildren<QPushButton *>())
        button->installEventFilter(this);

    connect(m_comm, &SerialPortComponent::portOpenChanged, this, &frmMain::showPortState);
    showPortState();

    connect(ui.mnuFileExit, &QAction::triggered, this, &frmMain::mnuFileExit_Click);
    connect(ui.mnuProperties, &QAction::triggered, this, &frmMain::mnuProperties_Click);
    connect(ui.mnuHistory, &QAction::triggered, this, &frmMain::mnuHistory_Click);
    connect(ui.mnuAbout, &QAction::triggered, this, &frmMain::mnuAbout_Click);
    connect(ui.actImport, &QAction::triggered, this, [this] { importPictures(); });
    connect(m_adder, &FrameAdder::picturesDropped, this, &frmMain::importPictures);
}

frmMain::~frmMain() = default;

void frmMain::Form_Load()
{
    ui.cmdStopLoading->setVisible(false);
    ui.Timer1->stop();
    if (ui.File1->ListCount() > 0)
        ui.File1->selectAndClick(0);

    ScreenPlacement::centre(this);

    SerialSetup::configure(*m_comm, m_settings);
    m_comm->setReconnectSeconds(m_settings.reconnectSeconds());
    OpenPort();
}

void frmMain::buildFrameListMenu()
{
    auto *from = new QAction(QStringLiteral("Upload from this frame"), this);
    auto *selected = new QAction(QStringLiteral("Upload selected frames"), this);
    connect(from, &QAction::triggered, this, [this] {
        m_editor->endEdit(); // before the row is read: the edit may move or remove it
        const QModelIndex current = ui.ListView1->currentIndex();
        if (current.isValid())
            m_upload->uploadFrom(current.row() + 1);
    });
    connect(selected, &QAction::triggered, this, [this] {
        m_editor->endEdit();
        QVector<int> positions;
        for (const QModelIndex &row : ui.ListView1->selectionModel()->selectedRows())
            positions.append(row.row() + 1);
        m_upload->uploadEntries(positions);
    });
    const auto separator = [this] {
        auto *line = new QAction(this);
        line->setSeparator(true);
        return line;
    };
    ui.ListView1->setContextMenuPolicy(Qt::ActionsContextMenu);
    ui.ListView1->addActions({m_listFiles->openAction(), m_listFiles->saveAction(), m_listFiles->saveAsAction(),
                              m_listFiles->restoreAction(), separator(), from, selected});
    // Only what applies to the entry under the mouse, or to the selection, can be chosen.
    const auto update = [this, from, selected] {
        from->setEnabled(ui.ListView1->currentIndex().isValid());
        selected->setEnabled(ui.ListView1->selectionModel()->hasSelection());
    };
    connect(ui.ListView1->selectionModel(), &QItemSelectionModel::selectionChanged, this, update);
    connect(ui.ListView1->selectionModel(), &QItemSelectionModel::currentChanged, this, update);
    update();
}

void frmMain::OpenPort()
{
    if (m_comm->setPortOpen(!m_comm->PortOpen()))
        return;
    Modals::message(this, m_comm->errorDescription(), QString(), QMessageBox::Warning, QMessageBox::Ok);
    frmProperties dialog(m_comm, this);
    Modals::exec(&dialog);
    showPortState(); // a port that stayed closed may stand for another device now
}

void frmMain::showPortState()
{
    const bool open = m_comm->PortOpen();
    const QString port = QStringLiteral("Com%1").arg(m_comm->CommPort());
    const auto address = DeviceAddress::parse(m_comm->devicePath());
    const bool server = address && address->isNetwork();
    const QString device = server ? address->describe() : m_comm->devicePath();
    ui.lblPort->setText(open ? port + QStringLiteral(" open") : QStringLiteral("No port open"));
    if (open)
        ui.lblPort->setToolTip(server ? QStringLiteral("The frames go to %1, through the %2.").arg(port, device)
                                      : QStringLiteral("The frames go to %1 (%2).").arg(port, device));
    else if (device.isEmpty())
        ui.lblPort->setToolTip(QStringLiteral("No serial port is open: choose a working one in Properties."));
    else
        ui.lblPort->setToolTip(
            QStringLiteral("No serial port is open: choose a working one in Properties. %1 is set to %2%3.")
                .arg(port, server ? QStringLiteral("the ") : QString(), device));
    QPalette colours = ui.lblPort->palette();
    colours.setColor(QPalette::WindowText, open ? QColor(Qt::darkGreen) : QColor(Qt::red).darker(130));
    ui.lblPort->setPalette(colours);
}

void frmMain::Form_Unload()
{
    if (m_comm->PortOpen())
        m_comm->setPortOpen(false);
}

bool frmMain::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == centralWidget() && event->type() == QEvent::Resize)
        ui.arrange(static_cast<QResizeEvent *>(event)->size());
    if (event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
        const bool plain = (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
        auto *button = qobject_cast<QPushButton *>(watched);
        if (enter && plain && button && button->isEnabled()) {
            if (!key->isAutoRepeat())
                button->click();
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void frmMain::closeEvent(QCloseEvent *event)
{
    // Asked once, before anything ends: a cancelled close leaves the list, the upload and the port.
    if (!m_closeAgreed) {
        if (!m_listFiles->mayClose()) {
            event->ignore();
            return;
        }
        m_closeAgreed = true;
    }
    if (m_upload->isUploading()) {
        // Gone from the screen at once; the frame ends as a stop ends it, then the window closes.
        m_upload->stopForClose([this] { close(); });
        hide();
        event->ignore();
        return;
    }
    m_listFiles->keepNow(); // a change made just before closing is not left to the timer
    Form_Unload();
    event->accept();
}

void frmMain::mnuFileExit_Click()
{
    if (Modals::message(this, QStringLiteral("Exit program?"), QStringLiteral("Question"), QMessageBox::Question,
                        QMessageBox::Yes | QMessageBox::No)
        != QMessageBox::Yes)
        return;
    if (!m_listFiles->mayClose())
        return;
    m_closeAgreed = true;
    Form_Unload();
    close();
}

void frmMain::mnuProperties_Click()
{
    frmProperties dialog(m_comm, this);
    Modals::exec(&dialog);
    showPortState();
}

void frmMain::mnuHistory_Click()
{
    // One window, kept while the program runs: opened again, it is brought to the front and read anew.
    if (!m_history)
        m_history = new HistoryWindow(this, m_frames);
    else
        m_history->refresh();
    m_history->show();
    m_history->raise();
    m_history->activateWindow();
}

void frmMain::mnuAbout_Click()
{
    frmAbout dialog(this);
    Modals::exec(&dialog);
}

void frmMain::importPictures(const QStringList &pictures)
{
    ImportDialog dialog(this, ui.File1->path(), pictures);
    Modals::exec(&dialog);
    m_browser->selectFiles(dialog.written());
    QVector<FrameAdder::File> frames;
    for (const QString &path : dialog.framesForList())
        frames.append({path, QFileInfo(path).fileName()});
    if (!frames.isEmpty())
        m_adder->addFiles(frames);
}
