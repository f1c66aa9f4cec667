// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// In-process control of the simulated controllers, for tests and benchmarks.
// The plug-in itself only sees the hidapi C functions that the simulator
// implements; nothing here is reachable from the product.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVector>
#include <QtGlobal>

#include <functional>
#include <optional>

namespace CorvaneSim {

enum class Protocol { V1100, V2000 };

/// One controller as CORVANE_SIM_DEVICES describes it ("v2000,hw=22,adapter=4095").
struct ControllerSpec
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

    /// Parses one item; std::nullopt (and @p error set) for bad text.
    static std::optional<ControllerSpec> parse(const QString &text, QString *error = nullptr);
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
    QByteArray blocks[3];                   // as received on report ids 16, 32, 48 (256 bytes each)
};

struct ControllerState
{
    ControllerSpec spec;
    ControllerSettings live;
    ControllerSettings stored;
    int saveCount = 0;
    quint32 fanRpm[4] = {0, 0, 0, 0};
};

enum class Fault {
    Send,     // the next N sends fail (-1)
    Get,      // the next N gets fail (-1)
    Silent,   // the device stops answering: every exchange fails after a delay
    Garbage,  // the next N gets return random bytes as if successful
};

struct LogEntry
{
    qint64 ms = 0;        // since the simulator started
    QString path;
    QString op;           // send, get, send-failed, get-failed, plug, unplug
    QByteArray buffer;    // 65 bytes for exchanges, empty for plug/unplug
    QString toLine() const;   // the CORVANE_SIM_LOG line, without newline
};

/// The process-wide set of simulated controllers behind the hid_* functions.
class Bus
{
public:
    static Bus &instance();

    /// Plug a controller; returns its number n (paths "sim:<n>:<k>").
    int plug(const ControllerSpec &spec);
    bool unplug(int controller);
    bool unplugPath(const QString &path);   // any interface's path unplugs its controller
    /// Remove every controller, fault and log entry; numbering restarts at 1.
    void reset();

    QStringList paths() const;                  // every present interface, in plug order
    QStringList paths(int controller) const;
    std::optional<ControllerState> state(int controller) const;
    void setFanRpm(int controller, int fan, quint32 rpm);
    void setAdapter(int controller, quint16 reading);

    void injectFault(const QString &path, Fault fault, int count = 1);
    void setSilentDelayMs(int ms);

    QVector<LogEntry> log() const;
    void clearLog();

    /// Hot-plug listeners (the simulated plug-in's notification source).
    using HotplugListener = std::function<void(bool arrived, const QString &path)>;
    int addHotplugListener(HotplugListener listener);
    void removeHotplugListener(int id);

private:
    Bus();
    struct Private;
    Private *d;
};

} // namespace CorvaneSim
