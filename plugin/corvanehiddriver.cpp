// SPDX-License-Identifier: GPL-3.0-or-later
#include "corvanehiddriver.h"

#include "corvanedrivernames.h"
#include "corvanehiddriverifbase.h"
#include "corvaneledlaw.h"
#include "corvaneledlawreader.h"
#include "corvanepluginlogging.h"

#include <QMutexLocker>
#include <QTimer>
#include <QVariant>

namespace Names = CorvaneDriverNames::Driver;

namespace {

// One poll is one exchange on either protocol, so with the kernel's 5 s USB
// control timeout a silent controller holds the GUI thread for about 15 s
// before it is let go; two failures in a row still pass (a controller busy
// storing its settings, a glitch on the bus).
constexpr int UnansweredExchangeLimit = 3;
constexpr int FanCount = CorvaneDriverNames::FanCount;

} // namespace

CorvaneHIDDriver::CorvaneHIDDriver(QObject *parent)
    : CorvaneHIDDriver(PollInterval, parent)
{
}

CorvaneHIDDriver::CorvaneHIDDriver(std::chrono::milliseconds pollInterval, QObject *parent)
    : QObject(parent)
    , pollTimer(new QTimer(this))
{
    pollTimer->setInterval(pollInterval);
    connect(pollTimer, &QTimer::timeout, this, &CorvaneHIDDriver::updateTimeout);
}

void CorvaneHIDDriver::setProtocol(CorvaneHIDDriverIfBase *protocol)
{
    this->protocol = protocol;
}

bool CorvaneHIDDriver::open(const QString &devPath)
{
    QMutexLocker locker(&mutex);
    if (!protocol->open(devPath)) {
        // The protocol keeps a handle it held before a failed open; an idle
        // driver must hold none.
        protocol->close();
        return false;
    }
    protocol->updatePhyDeviceReadOnlyPropertyToDriverObject(this);
    this->devPath = devPath;
    pollTimer->start();
    return true;
}

bool CorvaneHIDDriver::close(const QString &devPath)
{
    QMutexLocker locker(&mutex);
    if (devPath.toLower() != this->devPath.toLower())
        return false;
    pollTimer->stop();
    return protocol->close();
}

void CorvaneHIDDriver::setUnansweredHandler(std::function<void()> handler)
{
    unansweredHandler = std::move(handler);
}

void CorvaneHIDDriver::letGoIfUnanswered()
{
    if (!protocol->isOpen() || protocol->failedExchangesInARow() < UnansweredExchangeLimit)
        return;
    qCWarning(lcCorvanePlugin, "%s stopped answering: %d exchanges in a row failed; letting it go",
              qPrintable(devPath), protocol->failedExchangesInARow());
    pollTimer->stop();
    // Requests still queued for the device now fail at once instead of each
    // waiting out the timeout.
    protocol->close();
    // Queued: the creator's close() takes the lock this call runs under.
    QMetaObject::invokeMethod(this, [this] {
        if (unansweredHandler)
            unansweredHandler();
    }, Qt::QueuedConnection);
}

void CorvaneHIDDriver::enableFan0(int duty)
{
    enableFan(0, duty);
}

void CorvaneHIDDriver::enableFan1(int duty)
{
    enableFan(1, duty);
}

void CorvaneHIDDriver::enableFan2(int duty)
{
    enableFan(2, duty);
}

void CorvaneHIDDriver::enableFan3(int duty)
{
    enableFan(3, duty);
}

void CorvaneHIDDriver::enableFan(quint8 fanIndex, int duty)
{
    QMutexLocker locker(&mutex);
    const quint8 value = quint8(duty);
    protocol->writeFanDuty(fanIndex, value);
    letGoIfUnanswered();
    // Recorded even when the controller refused it: the property shows what
    // was asked for last.
    fanDutyCache[fanIndex] = value;
    setProperty(Names::fanDutyProperty(fanIndex), int(value));
}

void CorvaneHIDDriver::enableAutohHibernateFan(bool enable)
{
    QMutexLocker locker(&mutex);
    protocol->setFanAutoHibernate(enable);
    letGoIfUnanswered();
}

void CorvaneHIDDriver::enableAutoRunFan(bool enable)
{
    QMutexLocker locker(&mutex);
    protocol->setFanAutoRun(enable);
    letGoIfUnanswered();
}

void CorvaneHIDDriver::enableLED(bool enable)
{
    QMutexLocker locker(&mutex);
    protocol->setLEDPower(enable);
    letGoIfUnanswered();
}

void CorvaneHIDDriver::enableAutohHibernateLED(bool enable)
{
    QMutexLocker locker(&mutex);
    protocol->setLEDAutoHibernate(enable);
    letGoIfUnanswered();
}

void CorvaneHIDDriver::enableAutoRunLED(bool enable)
{
    QMutexLocker locker(&mutex);
    protocol->setLEDAutoRun(enable);
    letGoIfUnanswered();
}

void CorvaneHIDDriver::sendLEDLawFile(const QString &path)
{
    CorvaneLEDLaw law;
    if (!CorvaneLEDLawReader::readFile(path, &law))
        return;
    protocol->writeLEDLaw(law.channels(), law.intervalTimeMS, law.lawCount);
    QMutexLocker locker(&mutex);
    letGoIfUnanswered();
}

void CorvaneHIDDriver::saveConfiguration()
{
    QMutexLocker locker(&mutex);
    protocol->saveSettings();
    letGoIfUnanswered();
}

void CorvaneHIDDriver::updateTimeout()
{
    int rpm[FanCount];
    float adapter;
    {
        QMutexLocker locker(&mutex);
        protocol->updatePhyDeviceRealtimePropertyToDriverObject(this);
        letGoIfUnanswered();
        for (int fan = 0; fan < FanCount; ++fan)
            rpm[fan] = property(Names::fanRpmProperty(fan)).toInt();
        adapter = property(Names::PowerAdapter).toFloat();
    }
    // Emitted unlocked: a receiver connected directly may call back into a
    // slot, which would deadlock on the non-recursive mutex.
    emit fanRoundPerMinChanged0(rpm[0]);
    emit fanRoundPerMinChanged1(rpm[1]);
    emit fanRoundPerMinChanged2(rpm[2]);
    emit fanRoundPerMinChanged3(rpm[3]);
    emit devicePowerChanged(adapter);
}
