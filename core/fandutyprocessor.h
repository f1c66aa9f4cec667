// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QDeadlineTimer>
#include <QMap>
#include <QMutex>
#include <QObject>
#include <QPointer>

/**
 * Turns "set fan N to level L after D ms" into queued calls of a driver
 * object's enableFan0..enableFan3(int duty) slots.
 *
 * Each command waits on its own one-shot coarse timer and carries the session
 * number current when it was scheduled. A command runs unless a command of a
 * newer session already ran for the same fan, so a new burst cancels what is
 * left of an older one only once it has started to act. Lives on the GUI
 * thread; the driver is reached only through the meta-object system.
 *
 * Looking up the table of a fan without one creates an empty table for it,
 * which then counts as a table (for dust() and setDevice()). Levels outside
 * a table give duty 0.
 */
class FanDutyProcessor final : public QObject
{
    Q_OBJECT

public:
    /// How long the dust cycle takes, from the button to the fans' return.
    static constexpr int DustCycleMS = 13000;

    explicit FanDutyProcessor(QObject* parent = nullptr);

    /**
     * Stretches or shrinks the dust cycle to @p ms, every step in proportion.
     * Tests only: the product always runs the DustCycleMS cycle.
     */
    void setDustCycleLength(int ms);

    /**
     * Binds @p driver (null unbinds), restarts the session count, forgets the
     * sessions that ran, and reloads every tabled fan's current duty from the
     * driver's fanDuty0..fanDuty3 properties (0 without a driver). Pending
     * commands are kept.
     */
    void setDevice(QObject* driver);
    /// Stores the level-to-duty table of fan @p id. GUI thread, before use.
    void setDutyTable(int id, const QByteArray& duties);
    /// The fan's highest level: table size minus one, -1 without a table.
    int maxLevel(int id);
    /**
     * The level whose duty band (above the previous entry, up to its own)
     * holds @p duty: 0 for duty 0, the top level at or above its entry, 0
     * when no band holds it.
     */
    int levelOfDuty(int id, quint8 duty);
    /// The duty of the latest command scheduled for the fan, run or not.
    quint8 currentDuty(int id);
    int currentLevel(int id);
    /// Period of one blade animation loop in ms: 200 minus the duty, at least 1.
    int bladePeriod(int id);
    /// True while a scheduled command has not run yet.
    bool hasPendingCommands();
    /// True from dust() until its cycle is over, unless newer commands were scheduled since.
    bool isDusting() const;
    /**
     * A group's level change, as the panel makes it, in one session: both
     * fans of the group that starts at @p firstFan to @p level in 10 ms or,
     * with a @p boostLevel of 0 or more ("Change Boost"), to that level in
     * 10 ms and to @p level after a second.
     */
    void scheduleGroupLevel(int firstFan, int level, int boostLevel);

public slots:
    /// Does nothing: callers open a burst of setFanDuty calls with it, for symmetry.
    void startFanDutySession();
    /// Schedules fan @p id to the duty of @p level in @p delayMS ms; ignored when unbound.
    void setFanDuty(int id, int level, int delayMS);
    /// Starts a new session: later commands supersede earlier ones once they run.
    void finishFanDutySession();
    /// Full speed and stop three times over DustCycleMS, then back, for every tabled fan.
    void dust();

protected:
    void timerEvent(QTimerEvent* event) override;

private:
    struct PendingCommand {
        quint64 session;
        int fanId;
        quint8 duty;
    };

    QByteArray& dutyTable(int id);
    quint8 dutyOfLevel(int id, int level);
    quint8 driverFanDuty(int id) const;
    void execute(const PendingCommand& command);

    QMap<int, QByteArray> m_dutyTables;
    QMap<int, PendingCommand> m_pending;
    QMap<int, quint8> m_currentDuty;
    QMap<int, quint64> m_lastExecutedSession;
    QPointer<QObject> m_driver;
    QMutex m_lock;
    quint64 m_session = 1;
    int m_dustCycleMS = DustCycleMS;
    QDeadlineTimer m_dustOver;
    quint64 m_sessionAfterDust = 0;
};
