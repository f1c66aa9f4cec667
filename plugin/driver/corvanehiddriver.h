// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "corvanefailurespan.h"
#include "corvanehiddriverworker.h"
#include "corvaneopenresult.h"

#include <QObject>
#include <QString>
#include <QVariantHash>

#include <array>
#include <chrono>
#include <functional>

class CorvaneHIDDriverIfBase;
class QThread;
class QTimer;

/**
 * The object through which the program drives one opened controller.
 *
 * The program reaches it only by meta-object names: the slots forward each
 * request to the protocol object, the signals republish fan speeds and the
 * adapter voltage once a second, and the device's state is published as
 * dynamic properties (fanDuty0..3, powerAdapter, firmwareVersion, model,
 * CPUID, ...) that the protocol sets. The order and signatures of the
 * signals and slots are part of that interface. Results of device
 * operations are discarded: a failing controller shows only as values that
 * stop changing.
 *
 * The creator constructs the driver, gives it a protocol object (a QObject
 * child of the driver) with setProtocol(), and only then calls open().
 *
 * The driver stays on its creator's thread; the protocol calls run on an I/O
 * thread of the driver's own (CorvaneHIDDriverWorker), so a controller that
 * stops answering never holds up the caller: the slots only queue a request
 * and return. Values read from the controller come back by queued signals
 * and become properties here, on the driver's thread.
 *
 * A controller that stays on the bus but stops answering makes every exchange
 * wait for the kernel's timeout. Passing failures are ridden out, but once
 * its exchanges have been failing for CorvaneFailureSpan::UnansweredSpan the
 * device is let go (polling stops, the handle is released) and the driver
 * tells its creator through the handler given to setUnansweredHandler(),
 * which is expected to close() it as a removal would.
 */
class CorvaneHIDDriver final : public QObject
{
    Q_OBJECT

public:
    /// How often an open driver polls the controller.
    static constexpr std::chrono::milliseconds PollInterval{1000};

    /// The driver's clock: the shipped times, or shorter ones so that suites need not wait them out.
    struct Timing
    {
        std::chrono::milliseconds pollInterval = PollInterval;
        std::chrono::milliseconds saveInterval = CorvaneHIDDriverWorker::SaveInterval;
        std::chrono::milliseconds quietGap = CorvaneFailureSpan::QuietGap;
        std::chrono::milliseconds unansweredSpan = CorvaneFailureSpan::UnansweredSpan;
    };

    explicit CorvaneHIDDriver(QObject *parent = nullptr);
    explicit CorvaneHIDDriver(const Timing &timing, QObject *parent = nullptr);

    /**
     * Ends the I/O thread once the requests already queued have run, waiting
     * at most ExitWait for it.
     */
    ~CorvaneHIDDriver() override;

    /// Binds the protocol and starts the I/O thread; not owned through this pointer.
    void setProtocol(CorvaneHIDDriverIfBase *protocol);

    using OpenHandler = std::function<void(CorvaneOpenResult result)>;

    /**
     * Opens and probes @p devPath on the I/O thread; when it succeeded, the
     * device's state is in the properties and polling runs by the time
     * @p done hears the result (on this driver's thread). On failure the
     * protocol is closed, so no handle stays held. Call only while no device
     * is served and no other open is on its way.
     */
    void open(const QString &devPath, OpenHandler done);

    /**
     * Stops polling and has the device released after the requests already
     * queued, provided @p devPath names the opened one (letter case ignored);
     * otherwise returns false and changes nothing.
     */
    bool close(const QString &devPath);

    /// Runs @p done on this driver's thread once every request queued so far has run.
    void whenSettled(std::function<void()> done);

    /// The path of the last successful open().
    QString devicePath() const { return m_devPath; }

    /**
     * @p handler runs from the event loop after the driver let an unanswering
     * device go; the driver is still open() to its path until close().
     */
    void setUnansweredHandler(std::function<void()> handler);

signals:
    void fanRoundPerMinChanged0(int rpm);
    void fanRoundPerMinChanged1(int rpm);
    void fanRoundPerMinChanged2(int rpm);
    void fanRoundPerMinChanged3(int rpm);
    void devicePowerChanged(float adapter);

public slots:
    /// Duty in percent; only the low 8 bits are used.
    void enableFan0(int duty);
    void enableFan1(int duty);
    void enableFan2(int duty);
    void enableFan3(int duty);
    void enableAutohHibernateFan(bool enable);
    void enableAutoRunFan(bool enable);
    void enableLED(bool enable);
    void enableAutohHibernateLED(bool enable);
    void enableAutoRunLED(bool enable);
    /// Uploads the LED law in the ".adl" file (or resource) at @p path.
    void sendLEDLawFile(const QString &path);
    void saveConfiguration();

protected slots:
    void updateTimeout();

private:
    /**
     * An exchange already under way ends by itself within a kernel timeout;
     * one of hidapi's Windows waits never ends. Either way a closing program
     * does not wait longer than this per driver (the device manager has two).
     */
    static constexpr unsigned long ExitWaitMs = 500;

    void enableFan(quint8 fanIndex, int duty);
    void setFlag(bool (CorvaneHIDDriverIfBase::*operation)(bool), bool enable);
    void applyValues(const QVariantHash &values);
    void onOpened(const QString &devPath, CorvaneOpenResult result, const QVariantHash &values);
    void onPolled(const QVariantHash &values, bool failing);
    void onUnanswered();
    void abandonStuckThread();

    const Timing m_timing;
    CorvaneHIDDriverIfBase *m_protocol = nullptr;
    QString m_devPath;
    QTimer *m_pollTimer;
    QThread *m_thread;
    CorvaneHIDDriverWorker *m_worker = nullptr;
    std::array<quint8, 4> m_fanDutyCache = {};
    OpenHandler m_openDone;
    std::function<void()> m_unansweredHandler;
};
