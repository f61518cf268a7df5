#pragma once

#include <QList>
#include <QObject>

class QAction;
class QLabel;

// "Show as the device shows it" in the previews' context menus: one check for all of them, so
// the operator sees banding before an upload, kept in the settings from one run to the next.
class DeviceViewToggle : public QObject
{
    Q_OBJECT
public:
    DeviceViewToggle(QObject *parent, const QList<QLabel *> &previews);

    QAction *action() const { return m_action; }

private:
    void apply(bool deviceView);

    QList<QLabel *> m_previews;
    QAction *m_action;
};
