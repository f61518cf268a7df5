#include "app/mainwindowcontrols.h"

#include "base/appinfo.h"
#include "browser/widgets/dirlistbox.h"
#include "browser/widgets/drivelistbox.h"
#include "browser/widgets/filelistbox.h"
#include "widgets/artwork.h"
#include "widgets/formstyle.h"
#include "widgets/twips.h"

#include <QAction>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QSize>
#include <QStatusBar>
#include <QTimer>
#include <QTreeView>

#include <algorithm>
#include <initializer_list>

namespace {

using Twips::place;

QPushButton *button(QWidget *client, const char *name, const char *caption, const char *tip, int left, int top,
                    int width, int height)
{
    auto *result = place(new QPushButton(QString::fromUtf8(caption), client), name, left, top, width, height);
    if (tip)
        result->setToolTip(QString::fromUtf8(tip));
    return result;
}

// Where the design puts a control, kept when it is first placed.
constexpr const char *DesignedGeometry = "designedGeometry";

QRect designed(const QWidget *control)
{
    return control->property(DesignedGeometry).toRect();
}

QLabel *picture(QWidget *client, const char *name, int left, int top, int width, int height, bool border)
{
    auto *result = place(new QLabel(client), name, left, top, width, height);
    result->setScaledContents(true); // stretched to the box; the aspect ratio is not kept
    if (border) {
        result->setFrameShape(QFrame::Box);
        result->setFrameShadow(QFrame::Plain);
        result->setLineWidth(1);
    }
    result->setToolTip(QString::fromUtf8(AppInfo::MakerWebAddress));
    return result;
}

} // namespace

void MainWindowControls::build(QMainWindow *window, QWidget *client)
{
    Drive1 = place(new DriveListBox(client), "Drive1", 0, 120, 2655, 315);
    Dir1 = place(new DirListBox(client), "Dir1", 0, 600, 3375, 2115);
    File1 = place(new FileListBox(client), "File1", 3480, 120, 1695, 2625);
    File1->setPattern(QStringLiteral("*.bmp"));

    cmdCopy = button(client, "cmdCopy", ">", "Add frame", 5280, 240, 375, 375);
    cmdCopyAll = button(client, "cmdCopyAll", ">>", "Add all frames", 5280, 720, 375, 375);
    cmdRemove = button(client, "cmdRemove", "<", "Remove frame", 5280, 1680, 375, 375);

    ListView1 = place(new QTreeView(client), "ListView1", 5760, 120, 7935, 2625);
    ListView1->setRootIsDecorated(false);
    ListView1->setItemsExpandable(false);
    ListView1->setUniformRowHeights(true);
    ListView1->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListView1->setSelectionMode(QAbstractItemView::ExtendedSelection);
    ListView1->setEditTriggers(QAbstractItemView::SelectedClicked | QAbstractItemView::EditKeyPressed);
    ListView1->header()->setStretchLastSection(false);
    ListView1->header()->setDefaultSectionSize(Twips::toPixels(12000));

    cmdSaljiSve = button(client, "cmdSaljiSve", "&Uplaod frame(s)", nullptr, 13800, 2280, 1335, 495);

    ProgressBar1 = place(new QProgressBar(client), "ProgressBar1", 0, 6840, 13695, 495);
    ProgressBar1->setMinimum(0);
    ProgressBar1->setMaximum(100);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);

    StatusBar1 = place(new QStatusBar(client), "StatusBar1", 0, 7425, 15135, 255);
    StatusBar1->setSizeGripEnabled(false);
    // The panels are placed by hand: the status bar's own layout keeps 5 px of its 17 for spacing,
    // which leaves a sunken panel too low for one line of the form's font.
    static const int panelWidths[] = {2250, 3450, 3250, 3250, 2490};
    constexpr int PanelGap = 2;
    int left = PanelGap;
    const int height = StatusBar1->height() - 2;
    for (int i = 0; i < 5; ++i) {
        auto *panel = new QLabel(StatusBar1);
        panel->setObjectName(QStringLiteral("Panel%1").arg(i + 1));
        panel->setGeometry(left, 1, Twips::toPixels(panelWidths[i]), height);
        panel->setFrameShape(QFrame::Panel);
        panel->setFrameShadow(QFrame::Sunken);
        panel->setIndent(2);
        left += panel->width() + PanelGap;
        Panels.append(panel);
    }

    Label6 = place(new QLabel(QString::fromUtf8(AppInfo::MakerWebAddress), client), "Label6", 13800, 1200, 1155, 240);
    QFont webFont(QStringLiteral("Arial Narrow"));
    webFont.setPointSizeF(9.75);
    webFont.setItalic(true);
    Label6->setFont(webFont);

    // Above the upload button, which needs it: the port the frames will go to, or that none is open.
    lblPort = place(new QLabel(client), "lblPort", 13800, 1440, 1335, 270);
    lblPort->setWordWrap(true);
    lblPort->setAlignment(Qt::AlignLeft | Qt::AlignBottom);

    // Its caption on two lines: the column is narrow. The tool tip tells what it would send.
    cmdUploadChanged = button(client, "cmdUploadChanged", "Upload\n&changed frames", nullptr, 13800, 1740, 1335, 495);

    cmdRemoveAll = button(client, "cmdRemoveAll", "<<", "Remove all frames", 5280, 2280, 375, 375);
    cmdStopLoading = button(client, "cmdStopLoading", "&Stop loading", nullptr, 13800, 6840, 1335, 495);
    Text1 = place(new QLineEdit(QStringLiteral("*.bmp"), client), "Text1", 2760, 120, 615, 315);

    Image1 = picture(client, "Image1", 0, 2880, 7575, 3855, true);
    Image2 = picture(client, "Image2", 7680, 2880, 7455, 3855, true);
    Image3 = picture(client, "Image3", 13800, 120, 1335, 1095, false);
    Image3->setPixmap(Artwork::makerLogo());

    Timer1 = new QTimer(window);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(1000);
    Timer2 = new QTimer(window);
    Timer2->setObjectName(QStringLiteral("Timer2"));
    Timer2->setInterval(200);

    for (QWidget *control : client->findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
        control->setProperty(DesignedGeometry, control->geometry());

    // Tab order as designed; the pictures take no focus.
    FormStyle::setTabOrder({Drive1, Dir1, File1, cmdCopy, cmdCopyAll, cmdRemove, ListView1, cmdUploadChanged,
                            cmdSaljiSve, ProgressBar1, StatusBar1, Label6, cmdRemoveAll, cmdStopLoading, Text1});

    mnuFileExit = window->menuBar()->addAction(QStringLiteral("E&xit"));
    mnuFileExit->setObjectName(QStringLiteral("mnuFileExit"));
    mnuProperties = window->menuBar()->addAction(QStringLiteral("&Properties"));
    mnuProperties->setObjectName(QStringLiteral("mnuProperties"));
    mnuHistory = window->menuBar()->addAction(QStringLiteral("&History"));
    mnuHistory->setObjectName(QStringLiteral("mnuHistory"));
    mnuHistory->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_H));
    mnuHistory->setToolTip(QStringLiteral("What each device holds, by the load history"));
    mnuAbout = window->menuBar()->addAction(QStringLiteral("&About"));
    mnuAbout->setObjectName(QStringLiteral("mnuAbout"));

    actImport = new QAction(QStringLiteral("&Import pictures..."), window);
    actImport->setObjectName(QStringLiteral("actImport"));
    actImport->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_I));
    actImport->setToolTip(QStringLiteral("Make frame bitmaps from pictures of any kind"));
    window->addAction(actImport);
    File1->setContextMenuPolicy(Qt::ActionsContextMenu);
    File1->addAction(actImport);
}

void MainWindowControls::arrange(const QSize &client) const
{
    const int dx = std::max(0, client.width() - Twips::toPixels(ClientWidth));
    const int dy = std::max(0, client.height() - Twips::toPixels(ClientHeight));
    // The previews share the width; their height grows with it, so they keep their shape as far
    // as the room allows, and the frame list takes the rest of the height.
    const QRect picture = designed(Image1);
    const int dxLeft = dx / 2;
    const int dyPictures = std::min(dy, picture.height() * dxLeft / picture.width());
    const int dyList = dy - dyPictures;
    const auto at = [](QWidget *control, int moveX, int moveY, int growX, int growY) {
        control->setGeometry(designed(control).adjusted(moveX, moveY, moveX + growX, moveY + growY));
    };
    at(ListView1, 0, 0, dx, dyList);
    at(Image1, 0, dyList, dxLeft, dyPictures);
    at(Image2, dxLeft, dyList, dx - dxLeft, dyPictures);
    for (QWidget *atTheRight : std::initializer_list<QWidget *>{Image3, Label6, lblPort, cmdUploadChanged, cmdSaljiSve})
        at(atTheRight, dx, 0, 0, 0);
    at(ProgressBar1, 0, dy, dx, 0);
    at(cmdStopLoading, dx, dy, 0, 0);
    at(StatusBar1, 0, dy, dx, 0);
}

UploadControls MainWindowControls::forUpload() const
{
    UploadControls controls;
    controls.cmdSaljiSve = cmdSaljiSve;
    controls.cmdStopLoading = cmdStopLoading;
    controls.cmdUploadChanged = cmdUploadChanged;
    controls.ProgressBar1 = ProgressBar1;
    controls.Panels = Panels;
    controls.Image2 = Image2;
    controls.Timer1 = Timer1;
    controls.ListView1 = ListView1;
    controls.Text1 = Text1;
    controls.locked = {cmdCopy, cmdCopyAll, cmdRemove, cmdRemoveAll, Drive1, File1, Dir1, ListView1};
    controls.menus = {mnuFileExit, mnuProperties, mnuAbout, actImport};
    return controls;
}
