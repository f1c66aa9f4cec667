// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// In-process control of the simulated controllers, for tests and benchmarks.
// The plug-in itself only sees the hidapi C functions that the simulator
// implements; nothing here is reachable from the product.

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVector>
#include <QtGlobal>

#include <functional>
#include <optional>

namespace CorvaneSim {

enum class Protocol { V1100, V2000 };

/// One controller as CORVANE_SIM_DEVICES describes it ("v2000,hw=22,adapter=4095").
struct ControllerConfig
{
    Protocol protocol = Protocol::V2000;
    quint16 firmwareVersion = 0x2000;
    quint16 protocolVersion = 0x2000;
    quint16 hardwareVersion = 21;
    quint16 model = 2;
    quint16 adapter = 1370;       // 12-bit reading; 1370 is 12.00 V
    QByteArray cpuid;             // 12 bytes
    quint16 vendorId = 0x2a0e;
    quint16 productId = 0x1000;
    int interfaces = 1;
    int primary = 0;              // the one interface that answers
    bool fanAutoRun = false;      // auto-run flags as stored by an earlier save
    bool ledAutoRun = false;
    bool ledPower = false;        // the LEDs play from power-on, as a controller whose LEDs were left on
    quint32 manufacturingDate = 20240315;   // v2000 status only; not settable from text
    quint16 manufacturerId = 0x0101;        // v2000 status only; not settable from text

    /// Parses one item; std::nullopt (and @p error set) for bad text.
    /// Numbers are decimal or 0x-hex; an empty cpuid is filled in at plug time.
    static std::optional<ControllerConfig> parse(const QString &text, QString *error = nullptr);
    /// Parses a ';'-separated list as CORVANE_SIM_DEVICES holds it. Bad items are
    /// skipped and described in @p errors; blank items are skipped silently.
    static QVector<ControllerConfig> parseList(const QString &text, QStringList *errors = nullptr);
};

/// What the controller runs (live) or has stored by a save.
struct ControllerSettings
{
    quint8 fanDuty[4] = {0, 0, 0, 0};       // percent (v1100: derived from PWM)
    quint16 fanPwm[4] = {0, 0, 0, 0};       // v1100 only
    bool fanAutoRun = false;
    bool fanShutdownOnDisconnect = false;   // v2000 only
    bool ledPower = false;
    bool ledAutoRun = false;
    bool ledShutdownOnDisconnect = false;   // v2000 only
    quint16 intervalTimeMS = 0;
    quint16 lawCount = 0;
    QByteArray blocks[3];                   // as received on report ids 16, 32, 48 (256 bytes each, zero at plug)
};

struct ControllerState
{
    ControllerConfig config;
    ControllerSettings live;
    ControllerSettings stored;
    int saveCount = 0;                      // save commands taken (v1100: fan and LED saves each count)
    quint32 fanRpm[4] = {0, 0, 0, 0};       // as the status report shows them (0 unless hardware 22)
};

enum class Fault {
    Send,     // the next N sends fail (-1)
    Get,      // the next N gets fail (-1)
    Silent,   // the device stops answering: every exchange fails after a delay
    Garbage,  // the next N gets return pseudo-random bytes (byte 0 keeps the asked id) as if successful
};

struct LogEntry
{
    qint64 ms = 0;        // since the simulator started
    QString path;
    QString op;           // send, get, send-failed, get-failed, plug, unplug
    QByteArray buffer;    // 65 bytes for exchanges (fewer for a refused short buffer), empty for plug/unplug
    QString toLine() const;   // the CORVANE_SIM_LOG line, without newline
};

/// The process-wide set of simulated controllers behind the hid_* functions.
class Bus
{
public:
    static Bus &instance();

    /// Plug a controller; returns its number n (paths "sim:<n>:<k>"), or -1 for an
    /// impossible controller (no interface, primary out of range, cpuid not 12 bytes).
    /// Listeners hear of each interface on the calling thread, after the bus is unlocked.
    int plug(const ControllerConfig &config);
    bool unplug(int controller);
    bool unplugPath(const QString &path);   // any interface's path unplugs its controller
    /// Remove every controller (listeners hear each unplug), fault and log entry;
    /// numbering restarts at 1 and the silent delay returns to its start value
    /// (CORVANE_SIM_SILENT_MS, or 200 ms). Handles
    /// opened before stay dead even when a new controller takes their path.
    void reset();

    QStringList paths() const;                  // every present interface, in plug order
    QStringList paths(int controller) const;
    std::optional<ControllerState> state(int controller) const;
    void setFanRpm(int controller, int fan, quint32 rpm);
    void setAdapter(int controller, quint16 reading);
    /// Stops @p fan (0 to 3) of the controller with @p path: it reports 0 rpm at
    /// any duty until setFanRpm gives it a speed again. False for no such path or fan.
    bool stallFan(const QString &path, int fan);

    /// Counts add up over calls; Silent ignores @p count and lasts until unplug and
    /// silences the whole controller. Send and Get failures start after @p after
    /// more exchanges of that kind went through, so a test can fail exactly the
    /// n-th report of a sequence. False when no present interface has @p path.
    bool injectFault(const QString &path, Fault fault, int count = 1, int after = 0);
    void setSilentDelayMs(int ms);
    /**
     * Let the next get on @p path return @p reply as if the controller had sent
     * it: its first 65 bytes, report id included, zero-filled when shorter.
     * Replies queue up and are used one per get in the order given; failure
     * faults and a silent controller still come first, and the replies die
     * with the controller. False when no present interface has @p path.
     */
    bool queueReply(const QString &path, const QByteArray &reply);

    /// The latest 100 000 entries at most, oldest first.
    QVector<LogEntry> log() const;
    void clearLog();

    /// Hot-plug listeners (the simulated plug-in's notification source).
    using HotplugListener = std::function<void(bool arrived, const QString &path)>;
    int addHotplugListener(HotplugListener listener);
    void removeHotplugListener(int id);

    /**
     * Start reading control lines ("plug <item>", "unplug <path>",
     * "fault <path> <send|get|silent|garbage> [count]", "fault <path> stall <fan>") from the FIFO at
     * @p fifoPath, or at CORVANE_SIM_CONTROL when it is empty; the FIFO is
     * created (mode 0600) when absent, and refused when it is not a FIFO of
     * this user's that group and others have no access to. Must be called on a thread that runs an event loop:
     * plug and unplug lines are handled there. The FIFO itself is read on a
     * thread of the reader's own, so that what happens on the wire does not
     * wait for that loop: a fault for a present interface acts as soon as its
     * line arrives, and an unplugged controller stops answering at once, while
     * its unplug event follows through the loop. Returns the reader, owned by
     * @p parent, or nullptr when no path is given or the FIFO is refused or
     * cannot be opened.
     * While a reader of the same FIFO lives, that one is returned.
     */
    QObject *startControlChannel(QObject *parentOnGuiThread, const QString &fifoPath = QString());

private:
    Bus();
    Q_DISABLE_COPY(Bus)
    struct Private;
    Private *d;
};

} // namespace CorvaneSim
