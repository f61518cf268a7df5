#include "cli/portdestination.h"

#include "base/clock.h"
#include "cli/uploadreport.h"
#include "history/core/destinationidentity.h"
#include "serial/core/portsettings.h"
#include "serial/core/serialportcomponent.h"
#include "serial/core/serialsetup.h"

PortDestination::PortDestination(const Target &target, int index, UploadReport &report, int reconnectSeconds)
    : UploadDestination(target, index, report)
    , m_port(std::make_unique<SerialPortComponent>())
{
    SerialSetup::configure(*m_port, PortSettings());
    if (target.kind == Target::Kind::Port)
        m_port->setCommPort(target.port);
    else if (target.kind != Target::Kind::StoredPort)
        m_port->setDevice(target.path);
    m_port->setReconnectSeconds(reconnectSeconds);
    setLabel(target.kind == Target::Kind::Device || target.kind == Target::Kind::Server
                 ? target.path
                 : QStringLiteral("Com%1 (%2)").arg(m_port->CommPort()).arg(m_port->devicePath()));
    m_port->setLabel(label());
}

PortDestination::~PortDestination() = default;

void PortDestination::begin(const QVector<UploadJob> &jobs)
{
    if (!m_port->setPortOpen(true))
        return fail(m_port->errorDescription());
    if (!m_port->openNote().isEmpty())
        report().note(m_port->openNote());
    // The outcome is taken on the serial thread; the main thread polls done().
    m_port->startJob<UploadOutcome>(
        [this, jobs](SerialLink &link) {
            SteadyClock clock;
            return send(link, clock, jobs);
        },
        nullptr, [this](const UploadOutcome &result) { conclude(result); }, &sharedState().StopRequested);
}

Destination PortDestination::historyDestination() const
{
    // A device server's URL or a local device: a text that names neither is kept as it is given.
    Destination destination =
        DestinationIdentity::device(m_port->devicePath()).value_or(DestinationIdentity::port(m_port->devicePath()));
    destination.label = label();
    return destination;
}

void PortDestination::giveUp()
{
    m_port->cancelJob();
}
