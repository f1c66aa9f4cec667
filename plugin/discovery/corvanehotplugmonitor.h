// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

class QWidget;

/**
 * A source of device arrival and removal events, and the rule that tells
 * which device a path of that source belongs to.
 *
 * The backend is chosen when the plug-in is linked: the shipped plug-in links
 * the libudev monitor on Linux and the WM_DEVICECHANGE one on Windows, the
 * simulated one the simulator's bus. Each defines create() and
 * isPathOfDevice() and reports every raw event; deciding what an event means
 * is left to CorvaneDeviceNotificationWidget.
 */
class CorvaneHotplugMonitor : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    /**
     * Creates the linked-in backend, already watching, as a child of
     * @p window, the notification widget, whose native window receives the
     * platform's messages where the platform sends them to a window; null
     * when the platform refused.
     */
    static CorvaneHotplugMonitor *create(QWidget *window);

    /**
     * Whether @p devPath is an interface of the device @p vendorId:@p productId.
     * Where paths carry the ids (Windows) the path itself tells; elsewhere the
     * HID layer's enumeration of that device does.
     */
    static bool isPathOfDevice(const QString &devPath, quint16 vendorId, quint16 productId);

    /**
     * A native message that reached the window, as QWidget::nativeEvent()
     * receives it; true when the backend handled it, with @p result set.
     * Backends that receive no window messages keep this default, which
     * handles nothing.
     */
    virtual bool nativeMessage(const QByteArray & /*eventType*/, void * /*message*/, long * /*result*/)
    {
        return false;
    }

signals:
    /**
     * @p subsystem is the device class: "hidraw" for a HID interface the HID
     * layer can open by @p devnode (udev's name; the Windows backend reports
     * the HID interface class under it too). @p action as the kernel names
     * it ("add", "remove", "change", ...).
     */
    void deviceEvent(const QString &subsystem, const QString &action, const QString &devnode);
};
