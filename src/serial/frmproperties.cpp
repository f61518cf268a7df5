#include "frmproperties.h"

#include "app/artwork.h"
#include "app/formstyle.h"
#include "app/modals.h"
#include "app/twips.h"
#include "portmap.h"
#include "serialportcomponent.h"

#include <QComboBox>
#include <QFrame>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>

frmProperties::frmProperties(SerialPortComponent *port, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint
                          | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
    , m_port(port)
{
    setObjectName(QStringLiteral("frmProperties"));
    setWindowTitle(QStringLiteral("Program Properties"));
    setWindowIcon(Artwork::programIcon());
    FormStyle::apply(this);
    setFixedSize(Twips::toPixels(7350), Twips::toPixels(3375));
    buildControls();
    Form_Load();
}

void frmProperties::buildControls()
{
    tabSettings = Twips::place(new QTabWidget(this), "tabSettings", 375, 240, 6585, 2595);
    auto *page = new QWidget;
    tabSettings->addTab(page, QStringLiteral("Properties"));

    fraSettings = new QFrame(page);
    fraSettings->setObjectName(QStringLiteral("fraSettings"));
    fraSettings->setFrameShape(QFrame::NoFrame);
    fraSettings->resize(Twips::toPixels(6090), Twips::toPixels(1350));

    Label1 = Twips::place(new QLabel(QStringLiteral("Port:"), fraSettings), "Label1", 330, 285, 495, 315);

    cboPort = Twips::place(new QComboBox(fraSettings), "cboPort", 750, 225, 1425, 315);
    cboPort->setEditable(false);

    cmdOK = Twips::place(new QPushButton(QStringLiteral("OK"), fraSettings), "cmdOK", 3960, 375, 1080, 300);
    cmdOK->setDefault(true);

    cmdCancel = Twips::place(new QPushButton(QStringLiteral("Cancel"), fraSettings), "cmdCancel", 3975, 840, 1080, 300);

    // Which device the selected number means on this machine, and whether it is there.
    lblDevice = Twips::place(new QLabel(fraSettings), "lblDevice", 330, 690, 3500, 600);
    lblDevice->setWordWrap(true);
    lblDevice->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    setTabOrder(cboPort, cmdOK);
    setTabOrder(cmdOK, cmdCancel);
    setTabOrder(cmdCancel, tabSettings);

    connect(cmdOK, &QPushButton::clicked, this, &frmProperties::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmProperties::cmdCancel_Click);
    connect(cboPort, &QComboBox::currentIndexChanged, this, &frmProperties::showSelectedDevice);
}

void frmProperties::Form_Load()
{
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->geometry();
        move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
    }
    fraSettings->move(0, 0);
    fraSettings->raise();
    LoadPropertySettings();
    cboPort->setFocus(); // first in the tab order
}

void frmProperties::LoadPropertySettings()
{
    for (int n = PortMap::FirstPort; n <= PortMap::LastPort; ++n)
        cboPort->addItem(QStringLiteral("Com%1").arg(n));
    // A number outside the list selects nothing.
    const int index = m_port->CommPort() - 1;
    cboPort->setCurrentIndex(index >= 0 && index < cboPort->count() ? index : -1);
    showSelectedDevice();
}

void frmProperties::showSelectedDevice()
{
    const int index = cboPort->currentIndex();
    lblDevice->setText(index < 0 ? QString()
                                 : QStringLiteral("Device: %1").arg(PortMap::describe(index + 1, m_settings)));
}

void frmProperties::cmdOK_Click()
{
    const int oldPort = m_port->CommPort();
    const int newPort = cboPort->currentIndex() + 1;
    QString error;
    const auto step = [&](bool ok) {
        if (!ok)
            error = m_port->errorDescription();
    };

    if (newPort != oldPort) {
        if (m_port->PortOpen())
            step(m_port->setPortOpen(false));
        step(m_port->setCommPort(newPort));
        if (error.isEmpty())
            step(m_port->setPortOpen(true));
        if (!error.isEmpty()) {
            Modals::message(this, error, QString(), QMessageBox::Warning, QMessageBox::Ok);
            m_port->setCommPort(oldPort);
            return;
        }
    } else if (!m_port->PortOpen()) {
        // Same number but the port is closed (it failed at start-up or the line was lost): open it,
        // so the operator can get a returned device back without switching numbers.
        step(m_port->setPortOpen(true));
    }
    if (!error.isEmpty()) {
        Modals::message(this, error, QString(), QMessageBox::Warning, QMessageBox::Ok);
        return;
    }

    QString storeError;
    if (!m_settings.storeCommPort(m_port->CommPort(), &storeError))
        Modals::message(this, storeError, QString(), QMessageBox::Warning, QMessageBox::Ok);
    accept();
}

void frmProperties::cmdCancel_Click()
{
    reject();
}

void frmProperties::keyPressEvent(QKeyEvent *event)
{
    // Esc is bound to no button here; only Cancel or the close box leave without a change.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}
