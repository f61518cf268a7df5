#include "serial/widgets/frmproperties.h"

#include "serial/core/portmap.h"
#include "serial/core/serialportcomponent.h"
#include "widgets/artwork.h"
#include "widgets/formstyle.h"
#include "widgets/modals.h"
#include "widgets/screenplacement.h"
#include "widgets/twips.h"

#include <QComboBox>
#include <QFontMetrics>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>

frmProperties::frmProperties(SerialPortComponent *port, QWidget *parent)
    : QDialog(parent,
              Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                  | Qt::WindowCloseButtonHint)
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

    // Which device the selected number means on this machine, whether it is there, and what it is.
    lblDevice = Twips::place(new QLabel(fraSettings), "lblDevice", 330, 690, 3500, 660);
    lblDevice->setWordWrap(true);
    lblDevice->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    FormStyle::setTabOrder({cboPort, cmdOK, cmdCancel, tabSettings});

    connect(cmdOK, &QPushButton::clicked, this, &frmProperties::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmProperties::cmdCancel_Click);
    connect(cboPort, &QComboBox::currentIndexChanged, this, &frmProperties::showSelectedDevice);

    // An adapter plugged in or pulled out while the dialog is open shows up without reselecting.
    m_devicePoll = new QTimer(this);
    m_devicePoll->setInterval(1500);
    connect(m_devicePoll, &QTimer::timeout, this, &frmProperties::showSelectedDevice);
}

void frmProperties::Form_Load()
{
    ScreenPlacement::centre(this);
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

namespace {

// Shortens the device line until it fits the label: first the device path, in the middle where a
// device name says least, then the detail lines, the status line last.
QString fitToLabel(const QLabel *label, const QString &text, const QString &path)
{
    const QFontMetrics metrics = label->fontMetrics();
    const QRect room = label->contentsRect();
    const auto fits = [&](const QString &candidate) {
        return metrics.boundingRect(QRect(0, 0, room.width(), 1 << 20), Qt::TextWordWrap, candidate).height()
            <= room.height();
    };
    if (fits(text))
        return text;
    const QString prefix = QStringLiteral("Device: ");
    QStringList lines = text.split(QLatin1Char('\n'));
    if (!path.isEmpty() && lines.first().startsWith(prefix + path)) {
        const int width = room.width() - metrics.horizontalAdvance(prefix);
        lines.first().replace(prefix.size(), path.size(), metrics.elidedText(path, Qt::ElideMiddle, width));
    }
    for (int i = 1; i <= lines.size() && !fits(lines.join(QLatin1Char('\n'))); ++i) {
        QString &line = lines[i % lines.size()];
        line = metrics.elidedText(line, Qt::ElideMiddle, room.width());
    }
    return lines.join(QLatin1Char('\n'));
}

} // namespace

void frmProperties::showSelectedDevice()
{
    const int index = cboPort->currentIndex();
    const QString path = PortMap::devicePath(index + 1, m_settings);
    const QString full =
        index < 0 ? QString() : QStringLiteral("Device: %1").arg(PortMap::describe(path, PortDetails::available()));
    // The whole text stays in the tooltip when the label shows it shortened.
    const QString text = fitToLabel(lblDevice, full, path);
    if (text != lblDevice->text())
        lblDevice->setText(text);
    if (full != lblDevice->toolTip())
        lblDevice->setToolTip(full);
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

void frmProperties::showEvent(QShowEvent *event)
{
    m_devicePoll->start();
    QDialog::showEvent(event);
}

void frmProperties::hideEvent(QHideEvent *event)
{
    m_devicePoll->stop();
    QDialog::hideEvent(event);
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
