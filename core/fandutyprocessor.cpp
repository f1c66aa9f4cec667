// SPDX-License-Identifier: GPL-3.0-or-later
#include "fandutyprocessor.h"

#include "corelogging.h"
#include "corvanedrivernames.h"

#include <QMutexLocker>
#include <QTimerEvent>
#include <QVariant>

namespace {

enum class DustLevel { Top, Off, Restore };

struct DustStep {
    DustLevel level;
    int delayMS;
};

// Delays from the button, for a cycle of FanDutyProcessor::DustCycleMS.
constexpr DustStep kDustSteps[] = {
    {DustLevel::Top, 50},    {DustLevel::Off, 2000},  {DustLevel::Top, 5000},
    {DustLevel::Off, 7000},  {DustLevel::Top, 9000},  {DustLevel::Off, 11000},
    {DustLevel::Restore, FanDutyProcessor::DustCycleMS},
};

constexpr int kSlowestBladePeriodMS = 200;
constexpr int kFansPerGroup = 2;
constexpr int kBoostLeadMS = 10;
constexpr int kLevelDelayMS = 10;
constexpr int kBoostedLevelDelayMS = 1000;

namespace Names = CorvaneDriverNames::Driver;

bool isFan(int id)
{
    return id >= 0 && id < CorvaneDriverNames::FanCount;
}

} // namespace

FanDutyProcessor::FanDutyProcessor(QObject* parent)
    : QObject(parent)
{
}

void FanDutyProcessor::setDustCycleLength(int ms)
{
    m_dustCycleMS = ms;
}

void FanDutyProcessor::startFanDutySession()
{
}

void FanDutyProcessor::setFanDuty(int id, int level, int delayMS)
{
    if (!m_driver)
        return;
    QMutexLocker locker(&m_lock);
    const int timerId = startTimer(qMax(0, delayMS), Qt::CoarseTimer);
    const quint8 duty = dutyOfLevel(id, level);
    m_pending.insert(timerId, PendingCommand{m_session, id, duty});
    m_currentDuty.insert(id, duty);
}

void FanDutyProcessor::finishFanDutySession()
{
    ++m_session;
}

void FanDutyProcessor::dust()
{
    const QList<int> fans = m_dutyTables.keys();
    for (const int id : fans) {
        const int restore = levelOfDuty(id, currentDuty(id));
        qCDebug(lcFanDuty, "dust: current [%d] %d", id, restore);
        const int top = maxLevel(id);
        for (const DustStep& step : kDustSteps) {
            const int level = step.level == DustLevel::Top ? top
                : step.level == DustLevel::Off             ? 0
                                                           : restore;
            setFanDuty(id, level, int(qint64(step.delayMS) * m_dustCycleMS / DustCycleMS));
        }
        finishFanDutySession();
    }
    m_dustOver.setRemainingTime(m_dustCycleMS);
    m_sessionAfterDust = m_session;
}

void FanDutyProcessor::scheduleGroupLevel(int firstFan, int level, int boostLevel)
{
    const bool boost = boostLevel >= 0;
    startFanDutySession();
    for (int fan = firstFan; fan < firstFan + kFansPerGroup; ++fan) {
        if (boost)
            setFanDuty(fan, boostLevel, kBoostLeadMS);
        setFanDuty(fan, level, boost ? kBoostedLevelDelayMS : kLevelDelayMS);
    }
    finishFanDutySession();
}

bool FanDutyProcessor::isDusting() const
{
    return !m_dustOver.hasExpired() && m_session == m_sessionAfterDust;
}

void FanDutyProcessor::timerEvent(QTimerEvent* event)
{
    killTimer(event->timerId());
    QMutexLocker locker(&m_lock);
    const auto it = m_pending.find(event->timerId());
    if (it == m_pending.end())
        return;
    const PendingCommand command = *it;
    m_pending.erase(it);
    execute(command);
}

// Called with the lock held; the queued call cannot re-enter us.
void FanDutyProcessor::execute(const PendingCommand& command)
{
    const quint64 last = m_lastExecutedSession.value(command.fanId);
    if (command.session < last) {
        qCDebug(lcFanDuty, "Fan eat c=%d %d [%d %d]", int(last), int(command.session),
                command.fanId, command.duty);
        return;
    }
    qCDebug(lcFanDuty, "Do fan speed control fanId = %d, duty = %d(%d)", command.fanId,
            command.duty, int(command.session));
    if (m_driver && isFan(command.fanId)) {
        QMetaObject::invokeMethod(m_driver, Names::enableFan(command.fanId).name(), Qt::QueuedConnection,
                                  Q_ARG(int, command.duty));
    }
    m_lastExecutedSession.insert(command.fanId, command.session);
}

void FanDutyProcessor::setDevice(QObject* driver)
{
    m_driver = driver;
    m_session = 1;
    QMutexLocker locker(&m_lock);
    // Sessions restart at 1, so commands of the previous connection would
    // outrank every new one and reach whichever controller is bound next.
    for (auto it = m_pending.cbegin(); it != m_pending.cend(); ++it)
        killTimer(it.key());
    m_pending.clear();
    for (quint64& session : m_lastExecutedSession)
        session = 0;
    const QList<int> fans = m_dutyTables.keys();
    for (const int id : fans) {
        const quint8 duty = driver ? driverFanDuty(id) : 0;
        m_currentDuty.insert(id, duty);
        if (driver)
            qCDebug(lcFanDuty, "Update Device Fan Duty[%d] %d", id, duty);
    }
}

quint8 FanDutyProcessor::driverFanDuty(int id) const
{
    if (!isFan(id))
        return 0;
    return quint8(m_driver->property(Names::fanDutyProperty(id)).toInt() & 0xff);
}

void FanDutyProcessor::setDutyTable(int id, const QByteArray& duties)
{
    m_dutyTables.insert(id, duties);
    m_lastExecutedSession.insert(id, 0);
}

QByteArray& FanDutyProcessor::dutyTable(int id)
{
    return m_dutyTables[id];
}

quint8 FanDutyProcessor::dutyOfLevel(int id, int level)
{
    const QByteArray& table = dutyTable(id);
    return level >= 0 && level < table.size() ? quint8(table.at(level)) : 0;
}

int FanDutyProcessor::maxLevel(int id)
{
    return dutyTable(id).size() - 1;
}

int FanDutyProcessor::levelOfDuty(int id, quint8 duty)
{
    if (duty == 0)
        return 0;
    const QByteArray& table = dutyTable(id);
    const int max = table.size() - 1;
    if (max < 0)
        return 0;
    if (duty >= quint8(table.at(max)))
        return max;
    for (int level = 1; level <= max; ++level) {
        if (quint8(table.at(level - 1)) < duty && duty <= quint8(table.at(level)))
            return level;
    }
    return 0;
}

quint8 FanDutyProcessor::currentDuty(int id)
{
    QMutexLocker locker(&m_lock);
    return m_currentDuty.value(id);
}

int FanDutyProcessor::currentLevel(int id)
{
    return levelOfDuty(id, currentDuty(id));
}

int FanDutyProcessor::bladePeriod(int id)
{
    // Table entries may reach 255: past duty 199 the plain difference would
    // stop or reverse the animation.
    return qMax(1, kSlowestBladePeriodMS - int(currentDuty(id)));
}

bool FanDutyProcessor::hasPendingCommands()
{
    QMutexLocker locker(&m_lock);
    return !m_pending.isEmpty();
}
