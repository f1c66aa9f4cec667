// SPDX-License-Identifier: GPL-3.0-or-later
#include "corvanedevicenotificationwidget.h"

#include "corvanehotplugmonitor.h"

CorvaneDeviceNotificationWidget::CorvaneDeviceNotificationWidget(QWidget *parent)
    : QWidget(parent)
{
    hide();
}

CorvaneDeviceNotificationWidget::~CorvaneDeviceNotificationWidget() = default;

void CorvaneDeviceNotificationWidget::handleDeviceEvent(const QString &subsystem, const QString &action,
                                                        const QString &devnode)
{
    // Only raw HID nodes are device paths the HID layer can open.
    if (subsystem != QLatin1String("hidraw") || devnode.isEmpty())
        return;
    if (action == QLatin1String("add"))
        emit deviceConnected(devnode);
    else if (action == QLatin1String("remove"))
        emit deviceDisconnected(devnode);
}

void CorvaneDeviceNotificationWidget::registerDeviceNotification()
{
    // A second registration replaces the first, so events never arrive twice.
    delete m_notificationHandle;
    m_notificationHandle = CorvaneHotplugMonitor::create(this);
    if (m_notificationHandle)
        connect(m_notificationHandle, &CorvaneHotplugMonitor::deviceEvent, this,
                &CorvaneDeviceNotificationWidget::handleDeviceEvent);
}

void CorvaneDeviceNotificationWidget::unregisterDeviceNotification()
{
    delete m_notificationHandle;
    m_notificationHandle = nullptr;
}

bool CorvaneDeviceNotificationWidget::nativeEvent(const QByteArray &eventType, void *message, long *result)
{
    if (m_notificationHandle && m_notificationHandle->nativeMessage(eventType, message, result))
        return true;
    return QWidget::nativeEvent(eventType, message, result);
}
