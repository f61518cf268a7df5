#include "serial/widgets/frmproperties.h"

#include "network/core/deviceaddress.h"
#include "serial/core/portmap.h"
#include "serial/core/serialportcomponent.h"
#include "serial/widgets/devicechoice.h"
#include "widgets/artwork.h"
#include "widgets/formstyle.h"
#include "widgets/modals.h"
#include "widgets/screenplacement.h"
#include "widgets/twips.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStyle>
#include <QTabWidget>
#include <QTimer>

namespace {

// The dialog as designed is 3375 twips high; the device and the reconnect box sit below the tab strip.
constexpr int DeviceTop = 2955;
constexpr int DeviceHeight = 2130;
constexpr int ReconnectTop = DeviceTop + DeviceHeight + 90;
constexpr int ClientHeight = ReconnectTop + 300 + 180;

// What a stored reconnect time becomes when the box is ticked: a time set by hand stays.
constexpr int ReconnectSecondsWhenTicked = 60;

QIcon dot(const QColor &fill, const QColor &rim)
{
    QPixmap picture(12, 12);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(rim, 1.5));
    painter.setBrush(fill);
    painter.drawEllipse(QRectF(1.5, 1.5, 9, 9));
    return QIcon(picture);
}

} // namespace

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
    setFixedSize(Twips::toPixels(7350), Twips::toPixels(ClientHeight));
    m_presentIcon = dot(QColor(0x2e, 0xa0, 0x43), QColor(Qt::darkGreen));
    m_absentIcon = dot(Qt::transparent, QColor(Qt::gray));
    m_serverIcon = style()->standardIcon(QStyle::SP_DriveNetIcon);
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

    fraDevice = Twips::place(new DeviceChoice(this), "fraDevice", 375, DeviceTop, 6585, DeviceHeight);
    chkReconnect = Twips::place(
        new QCheckBox(QStringLiteral("Reconnect to a lost device server and send the unfinished frame again"), this),
        "chkReconnect", 375, ReconnectTop, 6585, 300);
    chkReconnect->setToolTip(QStringLiteral("For up to a minute after the connection is lost. The frame that was "
                                            "cut off is sent again whole; nothing goes on in the middle of one."));

    FormStyle::setTabOrder({cboPort, cmdOK, cmdCancel, tabSettings, fraDevice, chkReconnect});

    connect(cmdOK, &QPushButton::clicked, this, &frmProperties::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmProperties::cmdCancel_Click);
    connect(cboPort, &QComboBox::currentIndexChanged, this, &frmProperties::loadDevice);
    connect(fraDevice, &DeviceChoice::changed, this, &frmProperties::showSelectedDevice);

    // An adapter plugged in or pulled out while the dialog is open shows up without reselecting.
    m_devicePoll = new QTimer(this);
    m_devicePoll->setInterval(1500);
    connect(m_devicePoll, &QTimer::timeout, this, &frmProperties::refresh);
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
    {
        const QSignalBlocker quiet(cboPort); // the device is loaded once, for the port selected
        for (int n = PortMap::FirstPort; n <= PortMap::LastPort; ++n)
            cboPort->addItem(QStringLiteral("Com%1").arg(n));
        // A number outside the list selects nothing.
        const int index = m_port->CommPort() - 1;
        cboPort->setCurrentIndex(index >= 0 && index < cboPort->count() ? index : -1);
    }
    m_available = PortDetails::available();
    loadDevice();
    markPorts();
    const int reconnect = m_settings.reconnectSeconds();
    chkReconnect->setChecked(reconnect > 0);
    m_port->setReconnectSeconds(reconnect);
}

void frmProperties::refresh()
{
    m_available = PortDetails::available();
    markPorts();
    showSelectedDevice();
}

// Which numbers stand for something there now (an icon, bold, and what it is in the tool tip);
// the entries' texts stay "Com1".."Com16".
void frmProperties::markPorts()
{
    for (int i = 0; i < cboPort->count(); ++i) {
        const int n = i + 1;
        const QString device = PortMap::devicePath(n, m_settings);
        const auto address = DeviceAddress::parse(device);
        const bool server = address && address->isNetwork();
        const PortMap::Presence found = server ? PortMap::Presence::NoPath : PortMap::presence(device, m_available);
        const bool present = found == PortMap::Presence::Adapter || found == PortMap::Presence::PseudoTerminal;
        QFont font = cboPort->font();
        font.setBold(present);
        cboPort->setItemIcon(i, server ? m_serverIcon : present ? m_presentIcon : m_absentIcon);
        cboPort->setItemData(i, font, Qt::FontRole);
        cboPort->setItemData(i,
                             QStringLiteral("Com%1: %2")
                                 .arg(n)
                                 .arg(server ? address->describe() : PortMap::describe(device, m_available)),
                             Qt::ToolTipRole);
    }
}

void frmProperties::loadDevice()
{
    const int port = cboPort->currentIndex() + 1;
    fraDevice->setEnabled(port >= PortMap::FirstPort);
    const bool held = m_port->PortOpen() && port == m_port->CommPort();
    fraDevice->load(port, m_settings.portOverride(port), held ? m_port->devicePath() : QString());
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
    QString error;
    const std::optional<QString> chosen = index < 0 ? std::nullopt : fraDevice->chosen(&error);
    const QString path = !chosen ? QString() : chosen->isEmpty() ? PortMap::tableDevicePath(index + 1) : *chosen;
    const auto address = DeviceAddress::parse(path);
    QString full;
    if (index >= 0)
        full = !chosen
            ? error
            : QStringLiteral("Device: %1")
                  .arg(address && address->isNetwork() ? address->describe() : PortMap::describe(path, m_available));
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
    const auto warn = [this](const QString &text) {
        Modals::message(this, text, QString(), QMessageBox::Warning, QMessageBox::Ok);
    };
    // A device entry that is incomplete or wrong changes nothing at all.
    std::optional<QString> device;
    if (newPort >= PortMap::FirstPort) {
        device = fraDevice->chosen(&error);
        if (!device)
            return warn(error);
    }
    // The device belongs to the number and is kept even when it does not open now (a server still
    // being set up); one that cannot be remembered is not used.
    const bool newDevice = device && fraDevice->isEdited();
    if (newDevice && !m_settings.storePortOverride(newPort, *device, &error))
        return warn(error);
    const auto step = [&](bool ok) {
        if (!ok)
            error = m_port->errorDescription();
    };

    if (newPort != oldPort || newDevice) {
        if (m_port->PortOpen())
            step(m_port->setPortOpen(false));
        step(m_port->setCommPort(newPort));
        if (error.isEmpty())
            step(m_port->setPortOpen(true));
        if (!error.isEmpty()) {
            warn(error);
            m_port->setCommPort(oldPort);
            markPorts();
            return;
        }
    } else if (!m_port->PortOpen()) {
        // Same number but the port is closed (it failed at start-up or the line was lost): open it,
        // so the operator can get a returned device back without switching numbers.
        step(m_port->setPortOpen(true));
    }
    if (!error.isEmpty())
        return warn(error);

    if (!storeChoice(&error))
        warn(error);
    accept();
}

// Remembers the port number and the reconnect box; the first entry that could not be saved says
// why in *error.
bool frmProperties::storeChoice(QString *error)
{
    const int stored = m_settings.reconnectSeconds();
    const int reconnect = !chkReconnect->isChecked() ? 0 : stored > 0 ? stored : ReconnectSecondsWhenTicked;
    m_port->setReconnectSeconds(reconnect);
    return m_settings.storeCommPort(m_port->CommPort(), error) && m_settings.storeReconnectSeconds(reconnect, error);
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
