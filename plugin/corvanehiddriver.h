// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QMutex>
#include <QObject>
#include <QString>

#include <array>
#include <chrono>
#include <functional>

class CorvaneHIDDriverIfBase;
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
 * A controller that stays on the bus but stops answering makes every exchange
 * wait for the kernel's timeout on the GUI thread. Passing failures are
 * ridden out, but after a run of failed exchanges the driver lets the device
 * go at once (polling stops, the handle is released) and tells its creator
 * through the handler given to setUnansweredHandler(), which is expected to
 * close() it as a removal would.
 */
class CorvaneHIDDriver final : public QObject
{
    Q_OBJECT

public:
    /// How often an open driver polls the controller.
    static constexpr std::chrono::milliseconds PollInterval{1000};

    explicit CorvaneHIDDriver(QObject *parent = nullptr);
    /// Polls every @p pollInterval instead of PollInterval, so that tests need not wait a second a poll.
    explicit CorvaneHIDDriver(std::chrono::milliseconds pollInterval, QObject *parent = nullptr);

    /// Binds the protocol; not owned through this pointer.
    void setProtocol(CorvaneHIDDriverIfBase *protocol);

    /**
     * Opens and probes @p devPath, reads the device's state into the
     * properties and starts polling. On failure the protocol is closed, so
     * no handle stays held. Call only while no device is served.
     */
    bool open(const QString &devPath);

    /**
     * Stops polling and releases the device, provided @p devPath names the
     * opened one (letter case ignored); otherwise returns false and changes
     * nothing.
     */
    bool close(const QString &devPath);

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
    void enableFan(quint8 fanIndex, int duty);
    /// Under the lock, after each protocol call that may have exchanged reports.
    void letGoIfUnanswered();

    CorvaneHIDDriverIfBase *m_protocol = nullptr;
    QString m_devPath;
    QTimer *m_pollTimer;
    QMutex m_mutex;
    std::array<quint8, 4> m_fanDutyCache = {};
    std::function<void()> m_unansweredHandler;
};
