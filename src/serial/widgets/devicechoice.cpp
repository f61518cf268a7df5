#include "serial/widgets/devicechoice.h"

#include "network/core/deviceaddress.h"
#include "serial/core/portdetails.h"
#include "serial/core/portmap.h"
#include "serial/widgets/serverprobe.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGridLayout>
#include <QHostAddress>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSignalBlocker>

namespace {

// A name the resolver can look up, or an address: labels of letters, digits, hyphens (and the
// underscores some networks use), not all digits at the end, which only an address may be.
bool isHost(const QString &host)
{
    if (!QHostAddress(host).isNull())
        return true;
    static const QRegularExpression name(QStringLiteral("^(?=.{1,253}$)[A-Za-z0-9_]([A-Za-z0-9_-]{0,61}[A-Za-z0-9_])?("
                                                        "\\.[A-Za-z0-9_]([A-Za-z0-9_-]{0,61}[A-Za-z0-9_])?)*$"));
    static const QRegularExpression numeric(QStringLiteral("(^|\\.)[0-9]+$"));
    return name.match(host).hasMatch() && !numeric.match(host).hasMatch();
}

QRadioButton *option(const QString &text, const char *name)
{
    auto *button = new QRadioButton(text);
    button->setObjectName(QString::fromLatin1(name));
    return button;
}

} // namespace

DeviceChoice::DeviceChoice(QWidget *parent)
    : QGroupBox(parent)
    , m_probe(new ServerProbe(this))
{
    buildControls();
    m_probeDelay.setSingleShot(true);
    m_probeDelay.setInterval(600);
    connect(&m_probeDelay, &QTimer::timeout, this, &DeviceChoice::checkServer);
    connect(m_probe, &ServerProbe::finished, lblServer,
            [this](bool, const QString &verdict) { lblServer->setText(verdict); });
}

void DeviceChoice::buildControls()
{
    optTable = option(QString(), "optTable");
    optPath = option(QStringLiteral("Device path:"), "optPath");
    optServer = option(QStringLiteral("Device server:"), "optServer");
    auto *options = new QButtonGroup(this);
    for (QRadioButton *button : {optTable, optPath, optServer})
        options->addButton(button);

    cboDevicePath = new QComboBox;
    cboDevicePath->setObjectName(QStringLiteral("cboDevicePath"));
    cboDevicePath->setEditable(true);
    cboDevicePath->setInsertPolicy(QComboBox::NoInsert);
    cboDevicePath->setToolTip(QStringLiteral("Any serial device, e.g. a /dev/serial/by-id/ name, which stays "
                                             "with the adapter whichever socket it is plugged into."));

    txtHost = new QLineEdit;
    txtHost->setObjectName(QStringLiteral("txtHost"));
    txtHost->setPlaceholderText(QStringLiteral("host name or address"));
    txtServerPort = new QLineEdit;
    txtServerPort->setObjectName(QStringLiteral("txtServerPort"));
    txtServerPort->setPlaceholderText(QStringLiteral("TCP port"));
    txtServerPort->setMaxLength(5);
    txtServerPort->setFixedWidth(txtServerPort->fontMetrics().horizontalAdvance(QStringLiteral("TCP port")) + 16);
    cboServerKind = new QComboBox;
    cboServerKind->setObjectName(QStringLiteral("cboServerKind"));
    cboServerKind->addItem(QStringLiteral("RFC 2217"), int(DeviceAddress::Kind::Rfc2217));
    cboServerKind->addItem(QStringLiteral("raw TCP"), int(DeviceAddress::Kind::Raw));
    cboServerKind->setToolTip(QStringLiteral("RFC 2217: the program sets the server's line to 38400 bit/s, 8 data "
                                             "bits, no parity, 2 stop bits.\nRaw TCP: the server keeps the line "
                                             "settings it was given; set those on the server."));

    lblServer = new QLabel;
    lblServer->setObjectName(QStringLiteral("lblServer"));
    lblServer->setWordWrap(true);

    auto *grid = new QGridLayout(this);
    grid->setContentsMargins(8, 4, 8, 6);
    grid->setVerticalSpacing(4);
    grid->addWidget(optTable, 0, 0, 1, 4);
    grid->addWidget(optPath, 1, 0);
    grid->addWidget(cboDevicePath, 1, 1, 1, 3);
    grid->addWidget(optServer, 2, 0);
    grid->addWidget(txtHost, 2, 1);
    grid->addWidget(txtServerPort, 2, 2);
    grid->addWidget(cboServerKind, 2, 3);
    grid->addWidget(lblServer, 3, 1, 1, 3);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(4, 1);

    connect(options, &QButtonGroup::buttonClicked, this, [this] {
        showEnabled();
        checkServer();
        emit changed();
    });
    connect(cboDevicePath, &QComboBox::editTextChanged, this, &DeviceChoice::changed);
    for (QLineEdit *edit : {txtHost, txtServerPort})
        connect(edit, &QLineEdit::textEdited, this, &DeviceChoice::entryEdited);
    connect(cboServerKind, &QComboBox::activated, this, &DeviceChoice::entryEdited);
}

void DeviceChoice::load(int port, const QString &stored, const QString &heldDevice)
{
    m_port = port;
    m_heldDevice = heldDevice;
    setTitle(QStringLiteral("Device for Com%1").arg(port));
    optTable->setText(QStringLiteral("Standard device: %1").arg(PortMap::tableDevicePath(port)));
    {
        const QSignalBlocker quiet(cboDevicePath);
        fillKnownDevices();
        txtHost->clear();
        txtServerPort->clear();
        cboServerKind->setCurrentIndex(0);
        cboDevicePath->setEditText(QString());
        const auto address = DeviceAddress::parse(stored);
        if (stored.isEmpty()) {
            optTable->setChecked(true);
        } else if (address && address->isNetwork()) {
            optServer->setChecked(true);
            txtHost->setText(address->host());
            txtServerPort->setText(QString::number(address->port()));
            cboServerKind->setCurrentIndex(cboServerKind->findData(int(address->kind())));
        } else {
            // A stored server address that does not parse shows here, so OK says what is wrong with it.
            optPath->setChecked(true);
            cboDevicePath->setEditText(stored);
        }
    }
    m_atLoad = chosen();
    showEnabled();
    checkServer();
    emit changed();
}

void DeviceChoice::fillKnownDevices()
{
    QStringList known;
    for (const PortDetails &port : PortDetails::available())
        known << (port.byIdPath.isEmpty() ? port.systemLocation : port.byIdPath);
    known.sort();
    cboDevicePath->clear();
    cboDevicePath->addItems(known);
}

void DeviceChoice::showEnabled()
{
    cboDevicePath->setEnabled(optPath->isChecked());
    for (QWidget *field : std::initializer_list<QWidget *>{txtHost, txtServerPort, cboServerKind, lblServer})
        field->setEnabled(optServer->isChecked());
}

void DeviceChoice::entryEdited()
{
    m_probe->stop();
    lblServer->clear();
    m_probeDelay.start();
    emit changed();
}

void DeviceChoice::checkServer()
{
    m_probe->stop();
    m_probeDelay.stop();
    if (!optServer->isChecked()) {
        lblServer->clear();
        return;
    }
    // What is wrong with an entry shows beside the port list, as the device it would be.
    const auto device = server(nullptr);
    if (!device) {
        lblServer->clear();
        return;
    }
    const auto address = DeviceAddress::parse(*device);
    const auto held = DeviceAddress::parse(m_heldDevice);
    // A second client could be refused, or could push the program's own connection off the server.
    if (held && held->isNetwork() && held->host() == address->host() && held->port() == address->port()) {
        lblServer->setText(QStringLiteral("Com%1 is connected to this server now.").arg(m_port));
        return;
    }
    lblServer->setText(QStringLiteral("Checking whether the server answers..."));
    m_probe->start(address->host(), address->port());
}

std::optional<QString> DeviceChoice::server(QString *error) const
{
    const auto refuse = [error](const QString &why) -> std::optional<QString> {
        if (error)
            *error = why;
        return std::nullopt;
    };
    QString host = txtHost->text().trimmed();
    if (host.startsWith(QLatin1Char('[')) && host.endsWith(QLatin1Char(']')))
        host = host.mid(1, host.size() - 2);
    if (host.isEmpty())
        return refuse(QStringLiteral("Enter the device server's host name or address, and its TCP port."));
    if (!isHost(host))
        return refuse(QStringLiteral("\"%1\" is not a host name or address.").arg(host));
    const QString portText = txtServerPort->text().trimmed();
    bool ok = false;
    const uint port = portText.toUInt(&ok);
    if (!ok || port < 1 || port > 65535 || portText.startsWith(QLatin1Char('+')))
        return refuse(portText.isEmpty()
                          ? QStringLiteral("Enter the device server's TCP port, a number from 1 to 65535.")
                          : QStringLiteral("The device server's TCP port must be a number from 1 to 65535, not "
                                           "\"%1\".")
                                .arg(portText));
    const auto kind = DeviceAddress::Kind(cboServerKind->currentData().toInt());
    return DeviceAddress::server(kind, host, quint16(port)).toString();
}

std::optional<QString> DeviceChoice::chosen(QString *error) const
{
    if (optServer->isChecked())
        return server(error);
    if (optTable->isChecked())
        return QString();
    const QString path = cboDevicePath->currentText().trimmed();
    if (path.isEmpty()) {
        if (error)
            *error = QStringLiteral("Enter the device's path, or choose the standard device.");
        return std::nullopt;
    }
    // A server's address typed here counts as one, when it is a good one.
    const auto address = DeviceAddress::parse(path, error);
    return address ? std::optional<QString>(address->toString()) : std::nullopt;
}
