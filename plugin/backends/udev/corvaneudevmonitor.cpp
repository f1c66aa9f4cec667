// SPDX-License-Identifier: GPL-3.0-or-later
// The shipped plug-in's hot-plug backend: a libudev monitor on "hidraw".
#include "corvanehotplugmonitor.h"
#include "corvanepluginlogging.h"

#include <QSocketNotifier>
#include <QWidget>

#include <libudev.h>

namespace {

class CorvaneUdevMonitor final : public CorvaneHotplugMonitor
{
public:
    CorvaneUdevMonitor(udev *context, udev_monitor *monitor, QObject *parent)
        : CorvaneHotplugMonitor(parent), m_context(context), m_monitor(monitor),
          m_notifier(udev_monitor_get_fd(monitor), QSocketNotifier::Read, this)
    {
        connect(&m_notifier, &QSocketNotifier::activated, this, [this] { receive(); });
    }

    ~CorvaneUdevMonitor() override
    {
        udev_monitor_unref(m_monitor);
        udev_unref(m_context);
    }

private:
    void receive()
    {
        udev_device *device = udev_monitor_receive_device(m_monitor);
        if (!device)
            return;
        const auto text = [](const char *s) { return s ? QString::fromLocal8Bit(s) : QString(); };
        const QString subsystem = text(udev_device_get_subsystem(device));
        const QString action = text(udev_device_get_action(device));
        const QString devnode = text(udev_device_get_devnode(device));
        udev_device_unref(device);
        emit deviceEvent(subsystem, action, devnode);
    }

    udev *m_context;
    udev_monitor *m_monitor;
    QSocketNotifier m_notifier;
};

} // namespace

CorvaneHotplugMonitor *CorvaneHotplugMonitor::create(QWidget *window)
{
    udev *context = udev_new();
    udev_monitor *monitor = context ? udev_monitor_new_from_netlink(context, "udev") : nullptr;
    if (!monitor || udev_monitor_filter_add_match_subsystem_devtype(monitor, "hidraw", nullptr) < 0
        || udev_monitor_enable_receiving(monitor) < 0) {
        qCWarning(lcCorvanePlugin, "cannot watch hidraw devices; only devices present at start are found");
        if (monitor)
            udev_monitor_unref(monitor);
        if (context)
            udev_unref(context);
        return nullptr;
    }
    return new CorvaneUdevMonitor(context, monitor, window);
}
