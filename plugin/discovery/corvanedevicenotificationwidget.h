// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QWidget>

class CorvaneHotplugMonitor;

/**
 * Hidden widget that reports HID interface arrivals and removals by device
 * path. It never shows; it exists so that the program can treat it like any
 * other monitor object with the two path signals.
 */
class CorvaneDeviceNotificationWidget : public QWidget
{
    Q_OBJECT
public:
    explicit CorvaneDeviceNotificationWidget(QWidget *parent = nullptr);
    ~CorvaneDeviceNotificationWidget() override;

    /// Turns one raw hot-plug event into at most one of the two signals.
    void handleDeviceEvent(const QString &subsystem, const QString &action, const QString &devnode);

signals:
    void deviceConnected(QString name);
    void deviceDisconnected(QString name);

public slots:
    void registerDeviceNotification();
    void unregisterDeviceNotification();

protected:
    /// Where the platform sends device changes to a window, the registered backend takes them from here.
    bool nativeEvent(const QByteArray &eventType, void *message, long *result) override;

private:
    CorvaneHotplugMonitor *m_notificationHandle = nullptr;
};
