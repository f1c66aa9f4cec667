// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QObject>
#include <QString>

class CorvaneHIDDriver;

/**
 * The device manager: keeps the supported vendor/product ids, owns one driver
 * per protocol and connects at most one controller at a time, announcing it
 * with supportedDeviceOpened() and supportedDeviceClosed().
 *
 * Drivers are tried in a fixed order (v1100, then v2000); the first whose
 * probe accepts the device keeps it.
 */
class CorvaneHIDDevice : public QObject
{
    Q_OBJECT
public:
    explicit CorvaneHIDDevice(QObject *parent = nullptr);
    ~CorvaneHIDDevice() override;

    int currentIndex() const { return currentIndex_; }
    const QList<quint32> &supportedIds() const { return supportedIds_; }
    const QList<CorvaneHIDDriver *> &drivers() const { return drivers_; }

Q_SIGNALS:
    void supportedDeviceOpened(QString devPath, QObject *device);
    void supportedDeviceClosed(QString devPath, QObject *device);

public Q_SLOTS:
    void addSupportedDeviceID(ushort vid, ushort pid);
    void setMonitorWidget(QObject *monitor);
    void tryConnectSupportedDevice();
    void connectDeviceByPath(QString devPath);
    void disconnectDeviceByPath(QString devPath);

private:
    bool isSupportedPath(const QString &devPath) const;

    QList<CorvaneHIDDriver *> drivers_;
    int currentIndex_ = -1;
    QList<quint32> supportedIds_;
};
