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
    , m_pollTimer(new QTimer(this))
{
    m_pollTimer->setInterval(pollInterval);
    connect(m_pollTimer, &QTimer::timeout, this, &CorvaneHIDDriver::updateTimeout);
}

void CorvaneHIDDriver::setProtocol(CorvaneHIDDriverIfBase *protocol)
{
    m_protocol = protocol;
}

bool CorvaneHIDDriver::open(const QString &devPath)
{
    QMutexLocker locker(&m_mutex);
    if (!m_protocol->open(devPath)) {
        // The protocol keeps a handle it held before a failed open; an idle
        // driver must hold none.
        m_protocol->close();
        return false;
    }
    m_protocol->updatePhyDeviceReadOnlyPropertyToDriverObject(this);
    m_devPath = devPath;
    m_pollTimer->start();
    return true;
}

bool CorvaneHIDDriver::close(const QString &devPath)
{
    QMutexLocker locker(&m_mutex);
    if (devPath.toLower() != m_devPath.toLower())
        return false;
    m_pollTimer->stop();
    return m_protocol->close();
}

void CorvaneHIDDriver::setUnansweredHandler(std::function<void()> handler)
{
    m_unansweredHandler = std::move(handler);
}

void CorvaneHIDDriver::letGoIfUnanswered()
{
    if (!m_protocol->isOpen() || m_protocol->failedExchangesInARow() < UnansweredExchangeLimit)
        return;
    qCWarning(lcCorvanePlugin, "%s stopped answering: %d exchanges in a row failed; letting it go",
              qPrintable(m_devPath), m_protocol->failedExchangesInARow());
    m_pollTimer->stop();
    // Requests still queued for the device now fail at once instead of each
    // waiting out the timeout.
    m_protocol->close();
    // Queued: the creator's close() takes the lock this call runs under.
    QMetaObject::invokeMethod(this, [this] {
        if (m_unansweredHandler)
            m_unansweredHandler();
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
    QMutexLocker locker(&m_mutex);
    const quint8 value = quint8(duty);
    m_protocol->writeFanDuty(fanIndex, value);
    letGoIfUnanswered();
    // Recorded even when the controller refused it: the property shows what
    // was asked for last.
    m_fanDutyCache[fanIndex] = value;
    setProperty(Names::fanDutyProperty(fanIndex), int(value));
}

void CorvaneHIDDriver::enableAutohHibernateFan(bool enable)
{
    QMutexLocker locker(&m_mutex);
    m_protocol->setFanAutoHibernate(enable);
    letGoIfUnanswered();
}

void CorvaneHIDDriver::enableAutoRunFan(bool enable)
{
    QMutexLocker locker(&m_mutex);
    m_protocol->setFanAutoRun(enable);
    letGoIfUnanswered();
}

void CorvaneHIDDriver::enableLED(bool enable)
{
    QMutexLocker locker(&m_mutex);
    m_protocol->setLEDPower(enable);
    letGoIfUnanswered();
}

void CorvaneHIDDriver::enableAutohHibernateLED(bool enable)
{
    QMutexLocker locker(&m_mutex);
    m_protocol->setLEDAutoHibernate(enable);
    letGoIfUnanswered();
}

void CorvaneHIDDriver::enableAutoRunLED(bool enable)
{
    QMutexLocker locker(&m_mutex);
    m_protocol->setLEDAutoRun(enable);
    letGoIfUnanswered();
}

void CorvaneHIDDriver::sendLEDLawFile(const QString &path)
{
    CorvaneLEDLaw law;
    if (!CorvaneLEDLawReader::readFile(path, &law))
        return;
    m_protocol->writeLEDLaw(law.channels(), law.intervalTimeMS, law.lawCount);
    QMutexLocker locker(&m_mutex);
    letGoIfUnanswered();
}

void CorvaneHIDDriver::saveConfiguration()
{
    QMutexLocker locker(&m_mutex);
    m_protocol->saveSettings();
    letGoIfUnanswered();
}

void CorvaneHIDDriver::updateTimeout()
{
    int rpm[FanCount];
    float adapter;
    {
        QMutexLocker locker(&m_mutex);
        m_protocol->updatePhyDeviceRealtimePropertyToDriverObject(this);
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
