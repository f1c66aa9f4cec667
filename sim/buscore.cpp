// SPDX-License-Identifier: GPL-3.0-or-later
#include "buscore.h"

#include "hiddevicehandle.h"
#include "reportimage.h"
#include "simcontroller.h"
#include "simlogging.h"

#include <QThread>

#include <algorithm>
#include <cstring>
#include <limits>

namespace CorvaneSim {

namespace {

constexpr int DefaultSilentDelayMs = 200;
// A minute is longer than any USB timeout worth modelling.
constexpr int MaxSilentDelayMs = 60 * 1000;
constexpr quint32 GarbageSeed = 0x2a0e1000;
constexpr int MaxLogEntries = 100000;
constexpr int CpuidBytes = 12;

const QLatin1String Get("get");
const QLatin1String GetFailed("get-failed");
const QLatin1String Send("send");
const QLatin1String SendFailed("send-failed");

// "CVSIM", then the controller number big-endian: unique per bus and easy to read in a dump.
QByteArray defaultCpuid(int number)
{
    QByteArray cpuid("CVSIM", 5);
    cpuid.append(CpuidBytes - 5 - 4, '\0');
    for (int shift = 24; shift >= 0; shift -= 8)
        cpuid.append(char(quint32(number) >> shift));
    return cpuid;
}

bool pluggable(const ControllerConfig &config)
{
    return config.interfaces >= 1 && config.primary >= 0 && config.primary < config.interfaces
           && (config.cpuid.isEmpty() || config.cpuid.size() == CpuidBytes);
}

QVector<ControllerConfig> initialControllers()
{
    if (!qEnvironmentVariableIsSet("CORVANE_SIM_DEVICES"))
        return {ControllerConfig()};
    QStringList errors;
    const auto configs = ControllerConfig::parseList(qEnvironmentVariable("CORVANE_SIM_DEVICES"), &errors);
    for (const QString &error : qAsConst(errors))
        qCWarning(lcCorvaneSim, "CORVANE_SIM_DEVICES: skipping %s", qPrintable(error));
    return configs;
}

int initialSilentDelayMs()
{
    if (!qEnvironmentVariableIsSet("CORVANE_SIM_SILENT_MS"))
        return DefaultSilentDelayMs;
    bool ok = false;
    const int ms = qEnvironmentVariable("CORVANE_SIM_SILENT_MS").toInt(&ok);
    if (ok && ms >= 0 && ms <= MaxSilentDelayMs)
        return ms;
    qCWarning(lcCorvaneSim, "CORVANE_SIM_SILENT_MS: expected milliseconds from 0 to %d; using %d",
              MaxSilentDelayMs, DefaultSilentDelayMs);
    return DefaultSilentDelayMs;
}

QByteArray bytesOf(const unsigned char *data, size_t length)
{
    const int logged = int(std::min<size_t>(length, ReportImage::Size));
    return QByteArray(reinterpret_cast<const char *>(data), logged);
}

} // namespace

BusCore &BusCore::instance()
{
    // Leaked on purpose: listeners and handles may outlive static destruction order.
    static BusCore *const core = new BusCore;
    return *core;
}

BusCore::BusCore()
    : m_fileLog(qEnvironmentVariable("CORVANE_SIM_LOG"))
    , m_startSilentDelayMs(initialSilentDelayMs())
    , m_silentDelayMs(m_startSilentDelayMs)
    , m_garbageState(GarbageSeed)
{
    m_clock.start();
    for (const ControllerConfig &config : initialControllers())
        plug(config);
}

int BusCore::plug(const ControllerConfig &config)
{
    if (!pluggable(config)) {
        qCWarning(lcCorvaneSim, "cannot plug a controller with %d interface(s), primary %d and a %d-byte cpuid",
                  config.interfaces, config.primary, int(config.cpuid.size()));
        return -1;
    }
    int number = 0;
    QStringList paths;
    {
        QMutexLocker locker(&m_mutex);
        Plugged plugged;
        plugged.number = number = m_nextNumber++;
        plugged.plugId = m_nextPlugId++;
        ControllerConfig complete = config;
        if (complete.cpuid.isEmpty())
            complete.cpuid = defaultCpuid(number);
        plugged.model = SimController::create(complete);
        plugged.faults.resize(size_t(config.interfaces));
        for (int k = 0; k < config.interfaces; ++k) {
            paths.append(QStringLiteral("sim:%1:%2").arg(number).arg(k));
            appendLog(paths.last(), QStringLiteral("plug"));
        }
        plugged.paths = paths;
        m_controllers.push_back(std::move(plugged));
    }
    notify(true, paths);
    return number;
}

bool BusCore::unplug(int controller)
{
    QStringList removed;
    {
        QMutexLocker locker(&m_mutex);
        const auto plugged = findNumber(controller);
        if (plugged == m_controllers.end())
            return false;
        removed = removeLocked(plugged);
    }
    notify(false, removed);
    return true;
}

bool BusCore::unplugPath(const QString &path)
{
    QStringList removed;
    {
        QMutexLocker locker(&m_mutex);
        const auto plugged = findPath(path);
        if (plugged == m_controllers.end())
            return false;
        removed = removeLocked(plugged);
    }
    notify(false, removed);
    return true;
}

void BusCore::reset()
{
    QStringList removed;
    {
        QMutexLocker locker(&m_mutex);
        while (!m_controllers.empty())
            removed += removeLocked(m_controllers.begin());
        m_nextNumber = 1;
        m_silentDelayMs = m_startSilentDelayMs;
        m_garbageState = GarbageSeed;
        m_log.clear();
    }
    notify(false, removed);
}

QStringList BusCore::paths() const
{
    QMutexLocker locker(&m_mutex);
    QStringList all;
    for (const Plugged &plugged : m_controllers)
        all += plugged.paths;
    return all;
}

QStringList BusCore::paths(int controller) const
{
    QMutexLocker locker(&m_mutex);
    const auto plugged = findNumber(controller);
    return plugged == m_controllers.end() ? QStringList() : plugged->paths;
}

std::optional<ControllerState> BusCore::state(int controller) const
{
    QMutexLocker locker(&m_mutex);
    const auto plugged = findNumber(controller);
    if (plugged == m_controllers.end())
        return std::nullopt;
    return plugged->model->snapshot();
}

void BusCore::setFanRpm(int controller, int fan, quint32 rpm)
{
    QMutexLocker locker(&m_mutex);
    const auto plugged = findNumber(controller);
    if (plugged != m_controllers.end())
        plugged->model->setFanRpm(fan, rpm);
}

bool BusCore::stallFan(const QString &path, int fan)
{
    QMutexLocker locker(&m_mutex);
    const auto plugged = findPath(path);
    if (plugged == m_controllers.end() || fan < 0 || fan > 3)
        return false;
    plugged->model->setFanRpm(fan, 0);
    return true;
}

void BusCore::setAdapter(int controller, quint16 reading)
{
    QMutexLocker locker(&m_mutex);
    const auto plugged = findNumber(controller);
    if (plugged != m_controllers.end())
        plugged->model->setAdapter(reading);
}

bool BusCore::injectFault(const QString &path, Fault fault, int count, int after)
{
    QMutexLocker locker(&m_mutex);
    int interface = 0;
    const auto plugged = findPath(path, &interface);
    if (plugged == m_controllers.end())
        return false;
    Faults &faults = plugged->faults[size_t(interface)];
    // Counts come from outside (the control FIFO); their sum stops at INT_MAX.
    const auto add = [count](int &total) {
        total = int(std::min<qint64>(qint64(total) + std::max(count, 0), std::numeric_limits<int>::max()));
    };
    switch (fault) {
    case Fault::Send:
        add(faults.send);
        faults.sendsBefore = std::max(after, 0);
        break;
    case Fault::Get:
        add(faults.get);
        faults.getsBefore = std::max(after, 0);
        break;
    case Fault::Garbage: add(faults.garbage); break;
    case Fault::Silent: plugged->silent = true; break;
    }
    return true;
}

void BusCore::setSilentDelayMs(int ms)
{
    QMutexLocker locker(&m_mutex);
    m_silentDelayMs = std::max(ms, 0);
}

bool BusCore::queueReply(const QString &path, const QByteArray &reply)
{
    QMutexLocker locker(&m_mutex);
    int interface = 0;
    const auto plugged = findPath(path, &interface);
    if (plugged == m_controllers.end())
        return false;
    QByteArray image = reply.left(ReportImage::Size);
    image.append(QByteArray(ReportImage::Size - image.size(), '\0'));
    plugged->faults[size_t(interface)].replies.push_back(image);
    return true;
}

QVector<LogEntry> BusCore::log() const
{
    QMutexLocker locker(&m_mutex);
    return m_log;
}

void BusCore::clearLog()
{
    QMutexLocker locker(&m_mutex);
    m_log.clear();
}

int BusCore::addHotplugListener(Bus::HotplugListener listener)
{
    QMutexLocker locker(&m_mutex);
    m_listeners.insert(m_nextListenerId, std::move(listener));
    return m_nextListenerId++;
}

void BusCore::removeHotplugListener(int id)
{
    QMutexLocker locker(&m_mutex);
    m_listeners.remove(id);
}

QVector<BusCore::InterfaceRecord> BusCore::interfaces(quint16 vendorId, quint16 productId) const
{
    QMutexLocker locker(&m_mutex);
    QVector<InterfaceRecord> records;
    for (const Plugged &plugged : m_controllers) {
        const ControllerConfig &config = plugged.model->config();
        if ((vendorId && vendorId != config.vendorId) || (productId && productId != config.productId))
            continue;
        for (int k = 0; k < plugged.paths.size(); ++k)
            records.append({plugged.paths.at(k), k, config});
    }
    return records;
}

hid_device *BusCore::open(const QString &path)
{
    QMutexLocker locker(&m_mutex);
    int interface = 0;
    const auto plugged = findPath(path, &interface);
    if (plugged == m_controllers.end())
        return nullptr;
    auto *device = new hid_device_;
    device->plugId = plugged->plugId;
    device->interface = interface;
    device->path = path;
    m_handles.insert(device);
    return device;
}

void BusCore::close(hid_device *device)
{
    QMutexLocker locker(&m_mutex);
    if (m_handles.remove(device))
        delete device;
}

int BusCore::getFeature(hid_device *device, unsigned char *data, size_t length)
{
    QMutexLocker locker(&m_mutex);
    if (!m_handles.contains(device))
        return -1;
    // Copied: a silent wait unlocks the bus, and the handle is only ours while locked.
    const QString path = device->path;
    const QByteArray given = bytesOf(data, length);
    const Route routed = route(device, Direction::Get, length);
    switch (routed.outcome) {
    case Outcome::Garbage:
        fillGarbage(data);
        appendLog(path, Get, bytesOf(data, length));
        return ReportImage::Size;
    case Outcome::Queued: {
        auto &replies = routed.plugged->faults[size_t(device->interface)].replies;
        std::memcpy(data, replies.front().constData(), ReportImage::Size);
        appendLog(path, Get, replies.front());
        replies.pop_front();
        return ReportImage::Size;
    }
    case Outcome::Answer:
        if (const auto reply = routed.plugged->model->answerGet(data[0])) {
            reply->copyTo(data);
            appendLog(path, Get, reply->toByteArray());
            return ReportImage::Size;
        }
        fail(device, L"the controller stalls on an unknown report id");
        break;
    case Outcome::Silent:
        waitSilent(locker, device);
        break;
    case Outcome::Fail:
        break;
    }
    appendLog(path, GetFailed, given);
    return -1;
}

int BusCore::sendFeature(hid_device *device, const unsigned char *data, size_t length)
{
    QMutexLocker locker(&m_mutex);
    if (!m_handles.contains(device))
        return -1;
    const QString path = device->path;
    const QByteArray given = bytesOf(data, length);
    const Route routed = route(device, Direction::Send, length);
    if (routed.outcome == Outcome::Answer) {
        routed.plugged->model->takeSend(ReportImage::fromBytes(data));
        appendLog(path, Send, given);
        return ReportImage::Size;
    }
    if (routed.outcome == Outcome::Silent)
        waitSilent(locker, device);
    appendLog(path, SendFailed, given);
    return -1;
}

const wchar_t *BusCore::error(hid_device *device) const
{
    QMutexLocker locker(&m_mutex);
    return m_handles.contains(device) ? device->error.c_str() : nullptr;
}

BusCore::Route BusCore::route(hid_device *device, Direction direction, size_t length)
{
    // hidraw rejects a report buffer whose size does not match the report.
    if (length != size_t(ReportImage::Size))
        return {fail(device, L"a feature report buffer must be 65 bytes"), nullptr};
    Plugged *plugged = findPlugging(device->plugId);
    if (!plugged)
        return {fail(device, L"the device was unplugged"), nullptr};
    if (plugged->silent)
        return {Outcome::Silent, plugged};
    Faults &faults = plugged->faults[size_t(device->interface)];
    int &failures = direction == Direction::Get ? faults.get : faults.send;
    int &before = direction == Direction::Get ? faults.getsBefore : faults.sendsBefore;
    if (failures > 0 && before > 0)
        --before;
    else if (failures > 0) {
        --failures;
        return {fail(device, L"injected failure"), plugged};
    }
    if (direction == Direction::Get && !faults.replies.empty()) {
        device->error = L"Success";
        return {Outcome::Queued, plugged};
    }
    if (direction == Direction::Get && faults.garbage > 0) {
        --faults.garbage;
        device->error = L"Success";
        return {Outcome::Garbage, plugged};
    }
    if (device->interface != plugged->model->config().primary)
        return {fail(device, L"this interface does not answer feature reports"), plugged};
    device->error = L"Success";
    return {Outcome::Answer, plugged};
}

BusCore::Outcome BusCore::fail(hid_device *device, const wchar_t *why)
{
    device->error = why;
    return Outcome::Fail;
}

void BusCore::waitSilent(QMutexLocker &locker, hid_device *device)
{
    fail(device, L"the device does not answer");
    const int delay = m_silentDelayMs;
    locker.unlock();
    QThread::msleep(ulong(delay));
    locker.relock();
}

void BusCore::fillGarbage(unsigned char *data)
{
    // xorshift32: cheap, and the same sequence after every reset.
    for (int i = 1; i < ReportImage::Size; ++i) {
        m_garbageState ^= m_garbageState << 13;
        m_garbageState ^= m_garbageState >> 17;
        m_garbageState ^= m_garbageState << 5;
        data[i] = quint8(m_garbageState);
    }
}

std::vector<BusCore::Plugged>::iterator BusCore::findNumber(int number)
{
    return std::find_if(m_controllers.begin(), m_controllers.end(),
                        [number](const Plugged &plugged) { return plugged.number == number; });
}

std::vector<BusCore::Plugged>::const_iterator BusCore::findNumber(int number) const
{
    return std::find_if(m_controllers.cbegin(), m_controllers.cend(),
                        [number](const Plugged &plugged) { return plugged.number == number; });
}

std::vector<BusCore::Plugged>::iterator BusCore::findPath(const QString &path, int *interface)
{
    for (auto plugged = m_controllers.begin(); plugged != m_controllers.end(); ++plugged) {
        const int k = plugged->paths.indexOf(path);
        if (k >= 0) {
            if (interface)
                *interface = k;
            return plugged;
        }
    }
    return m_controllers.end();
}

BusCore::Plugged *BusCore::findPlugging(quint64 plugId)
{
    const auto plugged = std::find_if(m_controllers.begin(), m_controllers.end(),
                                      [plugId](const Plugged &p) { return p.plugId == plugId; });
    return plugged == m_controllers.end() ? nullptr : &*plugged;
}

QStringList BusCore::removeLocked(std::vector<Plugged>::iterator plugged)
{
    const QStringList removed = plugged->paths;
    for (const QString &path : removed)
        appendLog(path, QStringLiteral("unplug"));
    m_controllers.erase(plugged);
    return removed;
}

void BusCore::appendLog(const QString &path, const QString &op, const QByteArray &buffer)
{
    LogEntry entry;
    entry.ms = m_clock.elapsed();
    entry.path = path;
    entry.op = op;
    entry.buffer = buffer;
    m_fileLog.write(entry);
    if (m_log.size() >= MaxLogEntries)
        m_log.remove(0, MaxLogEntries / 10);
    m_log.append(entry);
}

void BusCore::notify(bool arrived, const QStringList &paths)
{
    QList<int> ids;
    {
        QMutexLocker locker(&m_mutex);
        ids = m_listeners.keys();
    }
    // Looked up afresh for every call: a listener may remove another (or itself).
    for (const QString &path : paths) {
        for (const int id : qAsConst(ids)) {
            Bus::HotplugListener listener;
            {
                QMutexLocker locker(&m_mutex);
                listener = m_listeners.value(id);
            }
            if (listener)
                listener(arrived, path);
        }
    }
}

} // namespace CorvaneSim
