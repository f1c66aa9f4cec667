// SPDX-License-Identifier: GPL-3.0-or-later
#include "corvanehiddevice.h"

#include "corvanecontrollerlock.h"
#include "corvanedrivernames.h"
#include "corvanehiddriver.h"
#include "corvanehidenumeration.h"
#include "corvanehidprotocolv1100.h"
#include "corvanehidprotocolv2000.h"
#include "corvanehotplugmonitor.h"

#include <QTimer>

#include <algorithm>

namespace {

// A controller that stopped answering often comes back by itself soon, or
// not until it is plugged again; three tries cost at most three timeouts.
const QVector<int> DefaultReprobeDelaysMs = {15 * 1000, 60 * 1000, 5 * 60 * 1000};
// A controller another process has open is free again as soon as that
// process is done; trying costs nothing on the wire.
constexpr int BusyRetryMs = 1000;

template <typename Protocol>
CorvaneHIDDriver *makeDriver(QObject *manager)
{
    auto *driver = new CorvaneHIDDriver(manager);
    driver->setProtocol(new Protocol(driver));
    return driver;
}

quint16 vendorOf(quint32 id) { return quint16(id >> 16); }
quint16 productOf(quint32 id) { return quint16(id & 0xffff); }

QStringList pathsWithId(quint32 id)
{
    return CorvaneHidEnumeration::pathsWithId(vendorOf(id), productOf(id));
}

bool samePath(const QString &a, const QString &b)
{
    return a.toLower() == b.toLower();
}

} // namespace

CorvaneHIDDevice::CorvaneHIDDevice(QObject *parent)
    : QObject(parent)
    , reprobeDelaysMs_(DefaultReprobeDelaysMs)
    , reprobeTimer_(new QTimer(this))
{
    drivers_ << makeDriver<CorvaneHIDProtocolv1100>(this) << makeDriver<CorvaneHIDProtocolv2000>(this);
    for (CorvaneHIDDriver *driver : qAsConst(drivers_))
        driver->setUnansweredHandler([this, driver] { letGoOfUnanswered(driver); });
    reprobeTimer_->setSingleShot(true);
    connect(reprobeTimer_, &QTimer::timeout, this, &CorvaneHIDDevice::reprobe);
}

CorvaneHIDDevice::~CorvaneHIDDevice() = default;

void CorvaneHIDDevice::setReprobeDelays(const QVector<int> &delaysMs)
{
    reprobeDelaysMs_ = delaysMs;
}

void CorvaneHIDDevice::addSupportedDeviceID(ushort vid, ushort pid)
{
    supportedIds_.append((quint32(vid) << 16) | pid);
}

void CorvaneHIDDevice::setMonitorWidget(QObject *monitor)
{
    if (!monitor)
        return;
    using namespace CorvaneDriverNames;
    // The monitor serves one manager: whoever listened before is cut off.
    disconnect(monitor, NotificationWidget::DeviceConnected.signal(), nullptr, nullptr);
    disconnect(monitor, NotificationWidget::DeviceDisconnected.signal(), nullptr, nullptr);
    connect(monitor, NotificationWidget::DeviceConnected.signal(), this, DeviceManager::ConnectDeviceByPath.slot());
    connect(monitor, NotificationWidget::DeviceDisconnected.signal(), this,
            DeviceManager::DisconnectDeviceByPath.slot());
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
        if (openWith(i, devPath))
            return;
    }
    if (!CorvaneControllerLock::holder(devPath).isEmpty())
        retryWhenFree(devPath);
}

// One retry at a time per path; a controller that went away meanwhile is no
// longer supported and ends the retries.
void CorvaneHIDDevice::retryWhenFree(const QString &devPath)
{
    if (retrying_.contains(devPath))
        return;
    retrying_.insert(devPath);
    QTimer::singleShot(BusyRetryMs, this, [this, devPath] {
        retrying_.remove(devPath);
        connectDeviceByPath(devPath);
    });
}

void CorvaneHIDDevice::disconnectDeviceByPath(QString devPath)
{
    if (currentIndex_ < 0) {
        // A controller waiting to be probed again is gone for good.
        if (reprobeTimer_->isActive() && samePath(devPath, reprobePath_))
            forgetReprobe();
        return;
    }
    CorvaneHIDDriver *driver = drivers_[currentIndex_];
    if (!driver->close(devPath))
        return;
    currentIndex_ = -1;
    Q_EMIT supportedDeviceClosed(devPath, driver);
}

QStringList CorvaneHIDDevice::supportedDevicePaths() const
{
    QStringList paths;
    for (const quint32 id : supportedIds_)
        paths << pathsWithId(id);
    paths.removeDuplicates();
    return paths;
}

QString CorvaneHIDDevice::deviceHolder(QString devPath) const
{
    return CorvaneControllerLock::holder(devPath);
}

// Whose device a path is, the platform's paths tell in their own way: the
// hot-plug backend knows it.
bool CorvaneHIDDevice::isSupportedPath(const QString &devPath) const
{
    return std::any_of(supportedIds_.cbegin(), supportedIds_.cend(), [&devPath](quint32 id) {
        return CorvaneHotplugMonitor::isPathOfDevice(devPath, vendorOf(id), productOf(id));
    });
}

bool CorvaneHIDDevice::openWith(int index, const QString &devPath)
{
    if (!drivers_[index]->open(devPath))
        return false;
    forgetReprobe();
    currentIndex_ = index;
    Q_EMIT supportedDeviceOpened(devPath, drivers_[index]);
    return true;
}

// The driver has already let the device go; closing it as a removal does
// tells the program, and the device's path is remembered for the probes.
void CorvaneHIDDevice::letGoOfUnanswered(CorvaneHIDDriver *driver)
{
    const int index = drivers_.indexOf(driver);
    if (index != currentIndex_)
        return;   // removed meanwhile
    const QString devPath = driver->devicePath();
    disconnectDeviceByPath(devPath);
    reprobePath_ = devPath;
    reprobeDriver_ = index;
    reprobesDone_ = 0;
    scheduleReprobe();
}

void CorvaneHIDDevice::reprobe()
{
    ++reprobesDone_;
    if (currentIndex_ >= 0 || !isSupportedPath(reprobePath_)) {
        forgetReprobe();
        return;
    }
    // A copy: opening forgets the path.
    const QString devPath = reprobePath_;
    if (!openWith(reprobeDriver_, devPath))
        scheduleReprobe();
}

void CorvaneHIDDevice::scheduleReprobe()
{
    if (reprobesDone_ < reprobeDelaysMs_.size())
        reprobeTimer_->start(reprobeDelaysMs_.at(reprobesDone_));
    else
        forgetReprobe();
}

void CorvaneHIDDevice::forgetReprobe()
{
    reprobeTimer_->stop();
    reprobePath_.clear();
    reprobeDriver_ = -1;
}
