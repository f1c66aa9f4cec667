// SPDX-License-Identifier: GPL-3.0-or-later
#include "corvanehiddevice.h"

#include "corvanehiddriver.h"
#include "corvanehidprotocolv1100.h"
#include "corvanehidprotocolv2000.h"

#include <hidapi/hidapi.h>

namespace {

template <typename Protocol>
CorvaneHIDDriver *makeDriver(QObject *manager)
{
    auto *driver = new CorvaneHIDDriver(manager);
    driver->setProtocol(new Protocol(driver));
    return driver;
}

quint16 vendorOf(quint32 id) { return quint16(id >> 16); }
quint16 productOf(quint32 id) { return quint16(id & 0xffff); }

// The HID layer takes a zero id as "any", which would make every device
// supported; only records with exactly this id count.
QStringList pathsWithId(quint32 id)
{
    QStringList paths;
    hid_device_info *records = hid_enumerate(vendorOf(id), productOf(id));
    for (const hid_device_info *r = records; r; r = r->next) {
        if (r->vendor_id == vendorOf(id) && r->product_id == productOf(id))
            paths.append(QString::fromLatin1(r->path));
    }
    hid_free_enumeration(records);
    return paths;
}

bool samePath(const QString &a, const QString &b)
{
    return a.toLower() == b.toLower();
}

} // namespace

CorvaneHIDDevice::CorvaneHIDDevice(QObject *parent)
    : QObject(parent)
{
    drivers_ << makeDriver<CorvaneHIDProtocolv1100>(this) << makeDriver<CorvaneHIDProtocolv2000>(this);
}

CorvaneHIDDevice::~CorvaneHIDDevice() = default;

void CorvaneHIDDevice::addSupportedDeviceID(ushort vid, ushort pid)
{
    supportedIds_.append((quint32(vid) << 16) | pid);
}

void CorvaneHIDDevice::setMonitorWidget(QObject *monitor)
{
    if (!monitor)
        return;
    // The monitor serves one manager: whoever listened before is cut off.
    disconnect(monitor, SIGNAL(deviceConnected(QString)), nullptr, nullptr);
    disconnect(monitor, SIGNAL(deviceDisconnected(QString)), nullptr, nullptr);
    connect(monitor, SIGNAL(deviceConnected(QString)), this, SLOT(connectDeviceByPath(QString)));
    connect(monitor, SIGNAL(deviceDisconnected(QString)), this, SLOT(disconnectDeviceByPath(QString)));
}

void CorvaneHIDDevice::tryConnectSupportedDevice()
{
    for (const quint32 id : qAsConst(supportedIds_)) {
        const QStringList paths = pathsWithId(id);
        for (int i = 0; i < paths.size() && currentIndex_ < 0; ++i)
            connectDeviceByPath(paths.at(i));
        if (currentIndex_ >= 0)
            return;
    }
}

void CorvaneHIDDevice::connectDeviceByPath(QString devPath)
{
    if (currentIndex_ >= 0 || !isSupportedPath(devPath))
        return;
    for (int i = 0; i < drivers_.size(); ++i) {
        if (drivers_[i]->open(devPath)) {
            currentIndex_ = i;
            Q_EMIT supportedDeviceOpened(devPath, drivers_[i]);
            return;
        }
    }
}

void CorvaneHIDDevice::disconnectDeviceByPath(QString devPath)
{
    if (currentIndex_ < 0)
        return;
    CorvaneHIDDriver *driver = drivers_[currentIndex_];
    if (!driver->close(devPath))
        return;
    currentIndex_ = -1;
    Q_EMIT supportedDeviceClosed(devPath, driver);
}

// Device nodes carry no vendor or product id, so the HID layer's own records
// decide: a path is supported when some supported id enumerates it.
bool CorvaneHIDDevice::isSupportedPath(const QString &devPath) const
{
    for (const quint32 id : supportedIds_) {
        for (const QString &path : pathsWithId(id)) {
            if (samePath(path, devPath))
                return true;
        }
    }
    return false;
}
