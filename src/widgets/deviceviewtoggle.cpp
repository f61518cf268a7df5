#include "widgets/deviceviewtoggle.h"

#include "base/settingsstore.h"
#include "widgets/preview.h"

#include <QAction>
#include <QLabel>

namespace {

const QString Key = QStringLiteral("Previews/DeviceView");

} // namespace

DeviceViewToggle::DeviceViewToggle(QObject *parent, const QList<QLabel *> &previews)
    : QObject(parent)
    , m_previews(previews)
    , m_action(new QAction(QStringLiteral("Show as the device shows it"), this))
{
    m_action->setObjectName(QStringLiteral("actDeviceView"));
    m_action->setCheckable(true);
    m_action->setToolTip(QStringLiteral("Each colour as the device shows it, with 6 bits a component"));
    m_action->setChecked(SettingsStore::open().value(Key, false).toBool());
    for (QLabel *preview : m_previews) {
        preview->setContextMenuPolicy(Qt::ActionsContextMenu);
        preview->addAction(m_action);
    }
    apply(m_action->isChecked());
    connect(m_action, &QAction::toggled, this, [this](bool deviceView) {
        apply(deviceView);
        // A view preference: a store that cannot be written only forgets it.
        SettingsStore::open().setValue(Key, deviceView);
    });
}

void DeviceViewToggle::apply(bool deviceView)
{
    for (QLabel *preview : m_previews)
        Preview::setDeviceView(preview, deviceView);
}
