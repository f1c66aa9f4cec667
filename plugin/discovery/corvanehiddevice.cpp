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
#include <utility>

namespace {

// A controller that stopped answering often comes back by itself soon, or
// not until it is plugged again; three tries cost at most three timeouts.
const QVector<int> DefaultReprobeDelaysMs = {15 * 1000, 60 * 1000, 5 * 60 * 1000};
// A controller another process has open is free again as soon as that
// process is done; trying costs nothing on the wire.
constexpr int BusyRetryMs = 1000;

template <typename Protocol>
CorvaneHIDDriver *makeDriver(QObject *manager, const CorvaneHIDDriver::Timing &timing)
{
    auto *driver = new CorvaneHIDDriver(timing, manager);
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
    : CorvaneHIDDevice(CorvaneHIDDriver::Timing(), parent)
{
}

CorvaneHIDDevice::CorvaneHIDDevice(const CorvaneHIDDriver::Timing &timing, QObject *parent)
    : QObject(parent)
    , m_reprobeDelaysMs(DefaultReprobeDelaysMs)
    , m_reprobeTimer(new QTimer(this))
{
    m_drivers << makeDriver<CorvaneHIDProtocolv1100>(this, timing) << makeDriver<CorvaneHIDProtocolv2000>(this, timing);
    for (CorvaneHIDDriver *driver : qAsConst(m_drivers))
        driver->setUnansweredHandler([this, driver] { letGoOfUnanswered(driver); });
    m_reprobeTimer->setSingleShot(true);
    connect(m_reprobeTimer, &QTimer::timeout, this, &CorvaneHIDDevice::reprobe);
}

CorvaneHIDDevice::~CorvaneHIDDevice() = default;

void CorvaneHIDDevice::setReprobeDelays(const QVector<int> &delaysMs)
{
    m_reprobeDelaysMs = delaysMs;
}

void CorvaneHIDDevice::addSupportedDeviceID(ushort vid, ushort pid)
{
    m_supportedIds.append((quint32(vid) << 16) | pid);
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

// Enumeration stays on this thread: it reads what the kernel lists of the
// devices and exchanges nothing with a controller, so it cannot hang on one.
void CorvaneHIDDevice::tryConnectSupportedDevice()
{
    for (const quint32 id : qAsConst(m_supportedIds)) {
        if (m_currentIndex >= 0)
            return;
        for (const QString &path : pathsWithId(id))
            connectDeviceByPath(path);
    }
}

void CorvaneHIDDevice::connectDeviceByPath(QString devPath)
{
    if (m_currentIndex >= 0 || !isSupportedPath(devPath))
        return;
    m_candidates.append(devPath);
    openNextCandidate();
}

bool CorvaneHIDDevice::isConnecting() const
{
    return m_opening || !m_candidates.isEmpty();
}

void CorvaneHIDDevice::openNextCandidate()
{
    if (m_opening || m_currentIndex >= 0 || m_candidates.isEmpty())
        return;
    m_openingReprobe = false;
    openWith(0, m_candidates.takeFirst());
}

void CorvaneHIDDevice::openWith(int index, const QString &devPath)
{
    m_opening = true;
    m_openingPath = devPath;
    m_openingRemoved = false;
    m_drivers[index]->open(devPath, [this, index, devPath](CorvaneOpenResult result) {
        openFinished(index, devPath, result);
    });
}

// A busy controller is left alone, by every protocol: the claim is on the
// controller, not on one protocol's try.
void CorvaneHIDDevice::openFinished(int index, const QString &devPath, CorvaneOpenResult result)
{
    m_opening = false;
    m_openingPath.clear();
    const bool reprobe = std::exchange(m_openingReprobe, false);
    if (result == CorvaneOpenResult::Opened && announceOpened(index, devPath))
        return;
    if (result == CorvaneOpenResult::Busy) {
        retryWhenFree(devPath);
    } else if (result == CorvaneOpenResult::Refused && !m_openingRemoved) {
        if (reprobe) {
            scheduleReprobe();
        } else if (index + 1 < m_drivers.size()) {
            openWith(index + 1, devPath);
            return;
        }
    }
    openNextCandidate();
}

// A device removed while it was being opened is closed again unannounced.
bool CorvaneHIDDevice::announceOpened(int index, const QString &devPath)
{
    if (m_openingRemoved) {
        m_drivers[index]->close(devPath);
        return false;
    }
    forgetReprobe();
    m_candidates.clear();
    m_currentIndex = index;
    emit supportedDeviceOpened(devPath, m_drivers[index]);
    return true;
}

// One retry at a time per path; a controller that went away meanwhile is no
// longer supported and ends the retries.
void CorvaneHIDDevice::retryWhenFree(const QString &devPath)
{
    if (m_retrying.contains(devPath))
        return;
    m_retrying.insert(devPath);
    QTimer::singleShot(BusyRetryMs, this, [this, devPath] {
        m_retrying.remove(devPath);
        connectDeviceByPath(devPath);
    });
}

void CorvaneHIDDevice::disconnectDeviceByPath(QString devPath)
{
    if (m_opening && samePath(devPath, m_openingPath))
        m_openingRemoved = true;
    if (m_currentIndex < 0) {
        // A controller waiting to be probed again is gone for good.
        if (m_reprobeTimer->isActive() && samePath(devPath, m_reprobePath))
            forgetReprobe();
        return;
    }
    CorvaneHIDDriver *driver = m_drivers[m_currentIndex];
    if (!driver->close(devPath))
        return;
    m_currentIndex = -1;
    emit supportedDeviceClosed(devPath, driver);
}

QStringList CorvaneHIDDevice::supportedDevicePaths() const
{
    QStringList paths;
    for (const quint32 id : m_supportedIds)
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
    return std::any_of(m_supportedIds.cbegin(), m_supportedIds.cend(), [&devPath](quint32 id) {
        return CorvaneHotplugMonitor::isPathOfDevice(devPath, vendorOf(id), productOf(id));
    });
}

// The driver has already let the device go; closing it as a removal does
// tells the program, and the device's path is remembered for the probes.
void CorvaneHIDDevice::letGoOfUnanswered(CorvaneHIDDriver *driver)
{
    const int index = m_drivers.indexOf(driver);
    if (index != m_currentIndex)
        return;   // removed meanwhile
    const QString devPath = driver->devicePath();
    disconnectDeviceByPath(devPath);
    m_reprobePath = devPath;
    m_reprobeDriver = index;
    m_reprobesDone = 0;
    scheduleReprobe();
}

// A probe that comes while another open is on its way gives its turn up.
void CorvaneHIDDevice::reprobe()
{
    ++m_reprobesDone;
    if (m_currentIndex >= 0 || !isSupportedPath(m_reprobePath)) {
        forgetReprobe();
        return;
    }
    if (m_opening) {
        scheduleReprobe();
        return;
    }
    m_openingReprobe = true;
    openWith(m_reprobeDriver, m_reprobePath);
}

void CorvaneHIDDevice::scheduleReprobe()
{
    if (m_reprobesDone < m_reprobeDelaysMs.size())
        m_reprobeTimer->start(m_reprobeDelaysMs.at(m_reprobesDone));
    else
        forgetReprobe();
}

void CorvaneHIDDevice::forgetReprobe()
{
    m_reprobeTimer->stop();
    m_reprobePath.clear();
    m_reprobeDriver = -1;
}
