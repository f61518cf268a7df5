#include "about/widgets/frmabout.h"

#include "about/core/helperprograms.h"
#include "about/core/programlauncher.h"
#include "base/appinfo.h"
#include "widgets/artwork.h"
#include "widgets/formstyle.h"
#include "widgets/modals.h"
#include "widgets/twips.h"

#include <QEvent>
#include <QFrame>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>
#include <QUrl>

namespace {

using Twips::place;

QFrame *line(QWidget *parent, const char *name, const QColor &colour, int left, int top, int right, int height)
{
    auto *result = place(new QFrame(parent), name, left, top, right - left, 0);
    result->setFixedHeight(height);
    result->setAutoFillBackground(true);
    QPalette colours = result->palette();
    colours.setColor(QPalette::Window, colour);
    result->setPalette(colours);
    return result;
}

} // namespace

frmAbout::frmAbout(QWidget *parent, ProgramLauncher *launcher)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
    , m_launcher(launcher ? launcher : new ProgramLauncher)
    , m_ownsLauncher(!launcher)
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowIcon(QIcon()); // none of its own, and not the main window's either
    FormStyle::apply(this);
    setFixedSize(Twips::toPixels(5730), Twips::toPixels(4305));
    buildControls();
    Form_Load();
}

frmAbout::~frmAbout()
{
    if (m_ownsLauncher)
        delete m_launcher;
}

void frmAbout::buildControls()
{
    cmdOK = place(new QPushButton(QStringLiteral("OK"), this), "cmdOK", 4245, 2625, 1260, 345);
    cmdOK->setDefault(true);
    picIcon = place(new QLabel(this), "picIcon", 270, 240, 1605, 1050);
    picIcon->setPixmap(Artwork::makerLogo());
    picIcon->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    picIcon->setFocusPolicy(Qt::TabFocus);
    cmdSysInfo = place(new QPushButton(QStringLiteral("&System Info..."), this), "cmdSysInfo", 4260, 3075, 1245, 345);
    lblDisclaimer = place(new QLabel(this), "lblDisclaimer", 255, 2625, 3870, 1440);
    lblDisclaimer->setWordWrap(true);
    lblDisclaimer->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblTitle = place(new QLabel(this), "lblTitle", 2190, 225, 3270, 300);
    lblVersion = place(new QLabel(this), "lblVersion", 2190, 675, 3270, 225);
    Label6 = place(new QLabel(this), "Label6", 315, 1305, 1515, 240);
    QFont webFont(QStringLiteral("Arial"));
    webFont.setPointSizeF(8.25);
    Label6->setFont(webFont);
    txtDescription = place(new QLineEdit(this), "txtDescription", 2190, 1050, 3435, 345);
    txtDescription->setReadOnly(true);
    txtDescription->setFrame(false);
    QPalette face = txtDescription->palette();
    face.setColor(QPalette::Base, face.color(QPalette::Button)); // reads like a label
    txtDescription->setPalette(face);
    for (QLabel *black : {lblDisclaimer, lblTitle}) {
        QPalette colours = black->palette();
        colours.setColor(QPalette::WindowText, Qt::black);
        black->setPalette(colours);
    }

    // An etched separator: a grey line with a white one beneath it.
    line(this, "Line1_1", QColor(128, 128, 128), 90, 2445, 5654, 1);
    line(this, "Line1_0", Qt::white, 105, 2460, 5654, 2);

    for (QWidget *clickable : std::initializer_list<QWidget *>{picIcon, Label6}) {
        clickable->setCursor(Qt::PointingHandCursor);
        clickable->installEventFilter(this);
    }
    FormStyle::setTabOrder({cmdOK, picIcon, cmdSysInfo, lblDisclaimer, lblTitle, lblVersion, Label6, txtDescription});

    connect(cmdOK, &QPushButton::clicked, this, &frmAbout::cmdOK_Click);
    connect(cmdSysInfo, &QPushButton::clicked, this, &frmAbout::cmdSysInfo_Click);
}

QString frmAbout::versionText()
{
    return QStringLiteral("Version %1.%2.%3")
        .arg(AppInfo::VersionMajor)
        .arg(AppInfo::VersionMinor)
        .arg(AppInfo::VersionRevision);
}

void frmAbout::Form_Load()
{
    const QString product = QString::fromUtf8(AppInfo::ProductName);
    setWindowTitle(QStringLiteral("About ") + product);
    lblTitle->setText(product);
    lblVersion->setText(versionText());
    // Two pieces joined by an ampersand: "R" & "D".
    txtDescription->setText(QStringLiteral("VELM R") + QChar(38) + QStringLiteral("D team, December 2026"));
    txtDescription->setCursorPosition(0);
    Label6->setText(QString::fromUtf8(AppInfo::MakerWebAddress));
    // The program is GPL-3.0-or-later (it uses libimagequant): the notice says what that allows.
    lblDisclaimer->setText(
        QStringLiteral("This program is free software: you may copy, change and pass it on under the GNU General "
                       "Public License, version 3 or any later version. It comes with no warranty."));
    cmdOK->setFocus();
}

void frmAbout::cmdOK_Click()
{
    accept();
}

void frmAbout::cmdSysInfo_Click()
{
    StartSysInfo();
}

void frmAbout::Label6_Click()
{
    VelmWebActivate();
}

void frmAbout::picIcon_Click()
{
    VelmWebActivate();
}

void frmAbout::StartSysInfo()
{
    const QString program = HelperPrograms::systemInformation(*m_launcher);
    if (program.isEmpty() || !m_launcher->startDetached(program, {}))
        Modals::message(this, QStringLiteral("System Information Is Unavailable At This Time"), QString(),
                        QMessageBox::NoIcon, QMessageBox::Ok);
}

void frmAbout::VelmWebActivate()
{
    const QUrl address = QUrl::fromUserInput(QString::fromUtf8(AppInfo::MakerWebAddress));
    const auto unavailable = [](QWidget *parent) {
        Modals::message(parent, QStringLiteral("Microsoft Internet explorer Is Unavailable At This Time"), QString(),
                        QMessageBox::NoIcon, QMessageBox::Ok);
    };
    const QString browser = HelperPrograms::webBrowser();
    if (!browser.isEmpty()) {
        if (!m_launcher->startDetached(browser, {address.toString(QUrl::FullyEncoded)}))
            unavailable(this);
        return;
    }
    // The answer may come after the dialog has closed; the message is shown all the same.
    const QPointer<frmAbout> self(this);
    m_launcher->openUrl(address, [self, unavailable](bool opened) {
        if (!opened)
            unavailable(self);
    });
}

bool frmAbout::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonRelease && static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
        if (watched == picIcon)
            picIcon_Click();
        else if (watched == Label6)
            Label6_Click();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}
