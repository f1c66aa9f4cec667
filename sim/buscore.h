// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "corvanesim.h"
#include "logwriter.h"

#include <QElapsedTimer>
#include <QMap>
#include <QMutex>
#include <QSet>

#include <hidapi/hidapi.h>

#include <deque>
#include <memory>
#include <vector>

namespace CorvaneSim {

class SimController;

/**
 * The process-wide bus behind both Bus and the hid_* functions. One mutex
 * guards everything; hot-plug listeners run after it is released, and a
 * silent device's delay is waited out without holding it.
 */
class BusCore final
{
public:
    /// Created at first use from CORVANE_SIM_DEVICES, CORVANE_SIM_LOG and
    /// CORVANE_SIM_SILENT_MS; never destroyed.
    static BusCore &instance();

    int plug(const ControllerConfig &config);
    bool unplug(int controller);
    bool unplugPath(const QString &path);
    void reset();

    QStringList paths() const;
    QStringList paths(int controller) const;
    std::optional<ControllerState> state(int controller) const;
    void setFanRpm(int controller, int fan, quint32 rpm);
    bool stallFan(const QString &path, int fan);
    void setAdapter(int controller, quint16 reading);
    bool injectFault(const QString &path, Fault fault, int count, int after);
    void setSilentDelayMs(int ms);
    bool queueReply(const QString &path, const QByteArray &reply);

    QVector<LogEntry> log() const;
    void clearLog();
    int addHotplugListener(Bus::HotplugListener listener);
    void removeHotplugListener(int id);

    /// One present interface as enumeration lists it.
    struct InterfaceRecord
    {
        QString path;
        int interface = 0;
        ControllerConfig config;
    };
    /// Present interfaces matching @p vendorId and @p productId (0 matches any), in plug order.
    QVector<InterfaceRecord> interfaces(quint16 vendorId, quint16 productId) const;

    /// nullptr when no present interface has @p path.
    hid_device *open(const QString &path);
    /// Ignores handles it did not hand out.
    void close(hid_device *device);
    /// hidapi's results: 65 or -1. @p device and @p data must not be null.
    int getFeature(hid_device *device, unsigned char *data, size_t length);
    int sendFeature(hid_device *device, const unsigned char *data, size_t length);
    /// The last error of @p device, or nullptr for a handle it did not hand out.
    const wchar_t *error(hid_device *device) const;

private:
    struct Faults
    {
        int send = 0;
        int get = 0;
        int garbage = 0;
        int sendsBefore = 0;   // exchanges still let through before send failures start
        int getsBefore = 0;
        std::deque<QByteArray> replies;   // queued gets' answers, 65 bytes each
    };
    struct Plugged
    {
        int number = 0;
        quint64 plugId = 0;
        std::unique_ptr<SimController> model;
        QStringList paths;
        std::vector<Faults> faults;   // per interface
        bool silent = false;
    };
    enum class Direction { Get, Send };
    enum class Outcome { Fail, Silent, Garbage, Queued, Answer };
    struct Route
    {
        Outcome outcome = Outcome::Fail;
        Plugged *plugged = nullptr;
    };

    BusCore();

    Route route(hid_device *device, Direction direction, size_t length);
    Outcome fail(hid_device *device, const wchar_t *why);
    void waitSilent(QMutexLocker &locker, hid_device *device);
    void fillGarbage(unsigned char *data);

    std::vector<Plugged>::iterator findNumber(int number);
    std::vector<Plugged>::const_iterator findNumber(int number) const;
    std::vector<Plugged>::iterator findPath(const QString &path, int *interface = nullptr);
    Plugged *findPlugging(quint64 plugId);
    QStringList removeLocked(std::vector<Plugged>::iterator plugged);

    void appendLog(const QString &path, const QString &op, const QByteArray &buffer = QByteArray());
    void notify(bool arrived, const QStringList &paths);

    mutable QMutex m_mutex;
    QElapsedTimer m_clock;
    LogWriter m_fileLog;
    std::vector<Plugged> m_controllers;
    int m_nextNumber = 1;
    quint64 m_nextPlugId = 1;
    const int m_startSilentDelayMs;
    int m_silentDelayMs;
    quint32 m_garbageState;
    QVector<LogEntry> m_log;
    QMap<int, Bus::HotplugListener> m_listeners;
    int m_nextListenerId = 1;
    QSet<hid_device *> m_handles;
};

} // namespace CorvaneSim
