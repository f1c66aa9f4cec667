// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>

/**
 * A source of device arrival and removal events.
 *
 * The backend is chosen when the plug-in is linked: the shipped plug-in links
 * the libudev monitor, the simulated one the simulator's bus. Each defines
 * create() and reports every raw event; deciding what an event means is left
 * to CorvaneDeviceNotificationWidget.
 */
class CorvaneHotplugMonitor : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    /// Creates the linked-in backend, already watching; null when the platform refused.
    static CorvaneHotplugMonitor *create(QObject *parent);

Q_SIGNALS:
    /// @p action as the kernel names it ("add", "remove", "change", ...).
    void deviceEvent(const QString &subsystem, const QString &action, const QString &devnode);
};
