// SPDX-License-Identifier: GPL-3.0-or-later
#include "corvanesim.h"

#include "buscore.h"
#include "controlchannel.h"

namespace CorvaneSim {

struct Bus::Private
{
    BusCore &core = BusCore::instance();
};

Bus &Bus::instance()
{
    static Bus bus;
    return bus;
}

Bus::Bus()
    : d(new Private)
{
}

int Bus::plug(const ControllerConfig &config)
{
    return d->core.plug(config);
}

bool Bus::unplug(int controller)
{
    return d->core.unplug(controller);
}

bool Bus::unplugPath(const QString &path)
{
    return d->core.unplugPath(path);
}

void Bus::reset()
{
    d->core.reset();
}

QStringList Bus::paths() const
{
    return d->core.paths();
}

QStringList Bus::paths(int controller) const
{
    return d->core.paths(controller);
}

std::optional<ControllerState> Bus::state(int controller) const
{
    return d->core.state(controller);
}

void Bus::setFanRpm(int controller, int fan, quint32 rpm)
{
    d->core.setFanRpm(controller, fan, rpm);
}

bool Bus::stallFan(const QString &path, int fan)
{
    return d->core.stallFan(path, fan);
}

void Bus::setAdapter(int controller, quint16 reading)
{
    d->core.setAdapter(controller, reading);
}

bool Bus::injectFault(const QString &path, Fault fault, int count, int after)
{
    return d->core.injectFault(path, fault, count, after);
}

void Bus::setSilentDelayMs(int ms)
{
    d->core.setSilentDelayMs(ms);
}

bool Bus::queueReply(const QString &path, const QByteArray &reply)
{
    return d->core.queueReply(path, reply);
}

QVector<LogEntry> Bus::log() const
{
    return d->core.log();
}

void Bus::clearLog()
{
    d->core.clearLog();
}

int Bus::addHotplugListener(HotplugListener listener)
{
    return d->core.addHotplugListener(std::move(listener));
}

void Bus::removeHotplugListener(int id)
{
    d->core.removeHotplugListener(id);
}

QObject *Bus::startControlChannel(QObject *parentOnGuiThread, const QString &fifoPath)
{
    const QString path = fifoPath.isEmpty() ? qEnvironmentVariable("CORVANE_SIM_CONTROL") : fifoPath;
    return path.isEmpty() ? nullptr : ControlChannel::start(path, parentOnGuiThread);
}

} // namespace CorvaneSim
