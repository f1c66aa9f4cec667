// SPDX-License-Identifier: GPL-3.0-or-later
#include "corvanehiddriver.h"

#include "corvanedrivernames.h"
#include "corvanefailurespan.h"
#include "corvanehiddriverifbase.h"
#include "corvanehiddriverworker.h"
#include "corvaneledlaw.h"
#include "corvaneledlawreader.h"
#include "corvanepluginlogging.h"

#include <QThread>
#include <QTimer>
#include <QVariant>

namespace Names = CorvaneDriverNames::Driver;

namespace {

constexpr int FanCount = CorvaneDriverNames::FanCount;

} // namespace

CorvaneHIDDriver::CorvaneHIDDriver(QObject *parent)
    : CorvaneHIDDriver(Timing(), parent)
{
}

CorvaneHIDDriver::CorvaneHIDDriver(const Timing &timing, QObject *parent)
    : QObject(parent)
    , m_timing(timing)
    , m_pollTimer(new QTimer(this))
    // No parent: a thread stuck in an exchange must outlive the driver (abandonStuckThread()).
    , m_thread(new QThread)
{
    m_pollTimer->setInterval(timing.pollInterval);
    connect(m_pollTimer, &QTimer::timeout, this, &CorvaneHIDDriver::updateTimeout);
}

CorvaneHIDDriver::~CorvaneHIDDriver()
{
    if (m_worker)
        m_worker->finish();
    if (!m_worker || m_thread->wait(ExitWaitMs))
        delete m_thread;
    else
        abandonStuckThread();
}

// Destroying a running QThread aborts the program, and the protocol is still
// in use on it. Both are left to end with the exchange, if it ever ends; a
// closing program does not wait for that.
void CorvaneHIDDriver::abandonStuckThread()
{
    qCWarning(lcCorvanePlugin, "%s: an exchange is still under way; not waiting for it", qPrintable(m_devPath));
    auto *protocol = dynamic_cast<QObject *>(m_protocol);
    protocol->setParent(nullptr);
    connect(m_thread, &QThread::finished, protocol, &QObject::deleteLater);
    connect(m_thread, &QThread::finished, m_thread, &QObject::deleteLater);
    if (m_thread->isFinished()) {
        delete protocol;
        delete m_thread;
    }
}

void CorvaneHIDDriver::setProtocol(CorvaneHIDDriverIfBase *protocol)
{
    m_protocol = protocol;
    protocol->setFailureSpan(CorvaneFailureSpan(m_timing.quietGap, m_timing.unansweredSpan));
    m_worker = new CorvaneHIDDriverWorker(protocol, m_timing.saveInterval);
    m_worker->moveToThread(m_thread);
    connect(m_thread, &QThread::finished, m_worker, &QObject::deleteLater);
    connect(m_worker, &CorvaneHIDDriverWorker::opened, this, &CorvaneHIDDriver::onOpened);
    connect(m_worker, &CorvaneHIDDriverWorker::polled, this, &CorvaneHIDDriver::onPolled);
    connect(m_worker, &CorvaneHIDDriverWorker::unanswered, this, &CorvaneHIDDriver::onUnanswered);
    m_thread->start();
}

void CorvaneHIDDriver::open(const QString &devPath, OpenHandler done)
{
    m_openDone = std::move(done);
    m_worker->requestOpen(devPath);
}

void CorvaneHIDDriver::onOpened(const QString &devPath, CorvaneOpenResult result, const QVariantHash &values)
{
    if (result == CorvaneOpenResult::Opened) {
        applyValues(values);
        m_devPath = devPath;
        m_pollTimer->start();
    }
    if (const OpenHandler done = std::exchange(m_openDone, {}))
        done(result);
}

bool CorvaneHIDDriver::close(const QString &devPath)
{
    if (devPath.toLower() != m_devPath.toLower())
        return false;
    m_pollTimer->stop();
    m_worker->requestClose();
    return true;
}

void CorvaneHIDDriver::whenSettled(std::function<void()> done)
{
    m_worker->request(QString(), [this, done](CorvaneHIDDriverIfBase &) {
        QMetaObject::invokeMethod(this, done, Qt::QueuedConnection);
    });
}

void CorvaneHIDDriver::setUnansweredHandler(std::function<void()> handler)
{
    m_unansweredHandler = std::move(handler);
}

void CorvaneHIDDriver::onUnanswered()
{
    qCWarning(lcCorvanePlugin, "%s stopped answering: its exchanges failed for %lld s; letting it go",
              qPrintable(m_devPath),
              static_cast<long long>(std::chrono::duration_cast<std::chrono::seconds>(m_timing.unansweredSpan).count()));
    m_pollTimer->stop();
    if (m_unansweredHandler)
        m_unansweredHandler();
}

void CorvaneHIDDriver::applyValues(const QVariantHash &values)
{
    for (auto value = values.cbegin(); value != values.cend(); ++value)
        setProperty(value.key().toLatin1().constData(), value.value());
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
    const quint8 value = quint8(duty);
    m_worker->request(QLatin1String(Names::enableFan(fanIndex).name()),
                      [fanIndex, value](CorvaneHIDDriverIfBase &protocol) { protocol.writeFanDuty(fanIndex, value); });
    // Recorded whatever the controller makes of it: the property shows what
    // was asked for last.
    m_fanDutyCache[fanIndex] = value;
    setProperty(Names::fanDutyProperty(fanIndex), int(value));
}

// Every switch is sent, in order: each click of a box reaches the controller.
void CorvaneHIDDriver::setFlag(bool (CorvaneHIDDriverIfBase::*operation)(bool), bool enable)
{
    m_worker->request(QString(), [operation, enable](CorvaneHIDDriverIfBase &protocol) { (protocol.*operation)(enable); });
}

void CorvaneHIDDriver::enableAutohHibernateFan(bool enable)
{
    setFlag(&CorvaneHIDDriverIfBase::setFanAutoHibernate, enable);
}

void CorvaneHIDDriver::enableAutoRunFan(bool enable)
{
    setFlag(&CorvaneHIDDriverIfBase::setFanAutoRun, enable);
}

void CorvaneHIDDriver::enableLED(bool enable)
{
    setFlag(&CorvaneHIDDriverIfBase::setLEDPower, enable);
}

void CorvaneHIDDriver::enableAutohHibernateLED(bool enable)
{
    setFlag(&CorvaneHIDDriverIfBase::setLEDAutoHibernate, enable);
}

void CorvaneHIDDriver::enableAutoRunLED(bool enable)
{
    setFlag(&CorvaneHIDDriverIfBase::setLEDAutoRun, enable);
}

// The file is read here, so that the I/O thread sees only what was valid
// when it was asked for.
void CorvaneHIDDriver::sendLEDLawFile(const QString &path)
{
    CorvaneLEDLaw law;
    if (!CorvaneLEDLawReader::readFile(path, &law))
        return;
    m_worker->request(QLatin1String(Names::SendLedLawFile.name()), [law](CorvaneHIDDriverIfBase &protocol) {
        protocol.writeLEDLaw(law.channels(), law.intervalTimeMS, law.lawCount);
    });
}

void CorvaneHIDDriver::saveConfiguration()
{
    m_worker->requestSave();
}

void CorvaneHIDDriver::updateTimeout()
{
    m_worker->requestPoll();
}

void CorvaneHIDDriver::onPolled(const QVariantHash &values, bool failing)
{
    // A poll that was under way when the device was closed tells nothing more.
    if (!m_pollTimer->isActive())
        return;
    applyValues(values);
    setProperty(Names::NotAnswering, failing);
    int rpm[FanCount];
    for (int fan = 0; fan < FanCount; ++fan)
        rpm[fan] = property(Names::fanRpmProperty(fan)).toInt();
    emit fanRoundPerMinChanged0(rpm[0]);
    emit fanRoundPerMinChanged1(rpm[1]);
    emit fanRoundPerMinChanged2(rpm[2]);
    emit fanRoundPerMinChanged3(rpm[3]);
    emit devicePowerChanged(property(Names::PowerAdapter).toFloat());
}
