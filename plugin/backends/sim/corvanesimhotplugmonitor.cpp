// SPDX-License-Identifier: GPL-3.0-or-later
// The simulated plug-in's hot-plug backend: the simulator's plug and unplug
// events, including those written to CORVANE_SIM_CONTROL, reported as hidraw
// events just as the udev backend reports real ones.
#include "corvanehotplugmonitor.h"
#include "corvanesim.h"

#include <QMetaObject>
#include <QPointer>
#include <QWidget>

namespace {

class CorvaneSimHotplugMonitor final : public CorvaneHotplugMonitor
{
public:
    explicit CorvaneSimHotplugMonitor(QObject *parent)
        : CorvaneHotplugMonitor(parent)
    {
        CorvaneSim::Bus &bus = CorvaneSim::Bus::instance();
        bus.startControlChannel(this);
        m_listener = bus.addHotplugListener([self = QPointer<CorvaneSimHotplugMonitor>(this)](bool arrived,
                                                                                              const QString &path) {
            // Plugs may come from another thread; the event is delivered on ours.
            if (self)
                QMetaObject::invokeMethod(self.data(), [self, arrived, path] {
                    if (self)
                        emit self->deviceEvent(QStringLiteral("hidraw"),
                                                 arrived ? QStringLiteral("add") : QStringLiteral("remove"), path);
                });
        });
    }

    ~CorvaneSimHotplugMonitor() override { CorvaneSim::Bus::instance().removeHotplugListener(m_listener); }

private:
    int m_listener = -1;
};

} // namespace

CorvaneHotplugMonitor *CorvaneHotplugMonitor::create(QWidget *window)
{
    return new CorvaneSimHotplugMonitor(window);
}
