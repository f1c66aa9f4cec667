// SPDX-License-Identifier: GPL-3.0-or-later
#include "testbedcontrollers.h"

#include "devbenchlogging.h"
#include "hidrawdevicetree.h"

#include "corvanesim.h"

#include "umockdevapi.h"

namespace {

// The controller number n of a simulator path "sim:<n>:<k>", or -1.
int controllerOf(const QString &simPath)
{
    const QStringList parts = simPath.split(QLatin1Char(':'));
    bool ok = false;
    const int number = parts.size() == 3 ? parts.at(1).toInt(&ok) : -1;
    return ok ? number : -1;
}

} // namespace

TestbedControllers::TestbedControllers(UMockdevTestbed *testbed)
    : m_testbed(testbed)
    , m_handler([this](const QString &devnode) { return node(devnode); })
{
    CorvaneSim::Bus &bus = CorvaneSim::Bus::instance();
    // The bus plugs the controllers of CORVANE_SIM_DEVICES when first used,
    // here, before anyone listens: those are taken from its list.
    m_listener = bus.addHotplugListener([this](bool arrivedNow, const QString &simPath) {
        if (arrivedNow)
            arrived(simPath);
        else
            departed(simPath);
    });
    const QStringList present = bus.paths();
    for (const QString &simPath : present)
        arrived(simPath);
}

TestbedControllers::~TestbedControllers()
{
    CorvaneSim::Bus::instance().removeHotplugListener(m_listener);
    m_handler.finish();
}

std::shared_ptr<HidrawNode> TestbedControllers::node(const QString &devnode) const
{
    QMutexLocker locker(&m_mutex);
    return m_nodes.value(devnode);
}

int TestbedControllers::lowestFree(const QSet<int> &used, int first)
{
    int number = first;
    while (used.contains(number))
        ++number;
    return number;
}

// The bus tells of each interface; the first brings the whole controller.
void TestbedControllers::arrived(const QString &simPath)
{
    const int controller = controllerOf(simPath);
    if (controller < 0 || m_served.contains(controller))
        return;
    CorvaneSim::Bus &bus = CorvaneSim::Bus::instance();
    const auto state = bus.state(controller);
    const QStringList interfaces = bus.paths(controller);
    if (!state || interfaces.isEmpty())
        return;   // gone again meanwhile

    HidrawDeviceTree::Placement placement;
    placement.port = lowestFree(m_usedPorts, 1);
    placement.deviceNumber = m_nextDeviceNumber++;
    placement.firstHidSequence = m_nextHidSequence;
    m_nextHidSequence += interfaces.size();
    for (int k = 0; k < interfaces.size(); ++k) {
        placement.minors.append(lowestFree(m_usedMinors, 0));
        m_usedMinors.insert(placement.minors.last());
    }
    m_usedPorts.insert(placement.port);
    const HidrawDeviceTree tree(state->config, interfaces, placement);

    Served served;
    served.syspathsChildFirst = tree.syspathsChildFirst();
    served.nodes = tree.nodes();
    served.minors = placement.minors;
    served.port = placement.port;
    // The nodes answer before they are announced.
    for (const auto &hidraw : qAsConst(served.nodes)) {
        if (!m_attached.contains(hidraw->devnode)) {
            GError *error = nullptr;
            if (!umockdev_testbed_attach_ioctl(m_testbed, qPrintable(hidraw->devnode), m_handler.base(), &error)) {
                qCWarning(lcDevBench, "cannot answer ioctls on %s: %s", qPrintable(hidraw->devnode),
                          error ? error->message : "unknown error");
                g_clear_error(&error);
            }
            m_attached.insert(hidraw->devnode);
        }
        QMutexLocker locker(&m_mutex);
        m_nodes.insert(hidraw->devnode, hidraw);
    }
    m_served.insert(controller, served);
    // Adding the devices sends their "add" uevents.
    GError *error = nullptr;
    if (!umockdev_testbed_add_from_string(m_testbed, tree.record().constData(), &error)) {
        qCWarning(lcDevBench, "cannot add the devices of %s: %s", qPrintable(simPath),
                  error ? error->message : "unknown error");
        g_clear_error(&error);
    }
    for (const auto &hidraw : qAsConst(served.nodes))
        qCDebug(lcDevBench, "%s is %s", qPrintable(hidraw->simPath), qPrintable(hidraw->devnode));
}

void TestbedControllers::departed(const QString &simPath)
{
    const auto served = m_served.find(controllerOf(simPath));
    if (served == m_served.end())
        return;
    for (const auto &hidraw : qAsConst(served->nodes)) {
        hidraw->present = false;
        QMutexLocker locker(&m_mutex);
        m_nodes.remove(hidraw->devnode);
    }
    // As the kernel does, children first: each device's "remove" while it
    // still exists (the event is made from its properties), then it goes.
    for (const QString &syspath : qAsConst(served->syspathsChildFirst)) {
        umockdev_testbed_uevent(m_testbed, qPrintable(syspath), "remove");
        umockdev_testbed_remove_device(m_testbed, qPrintable(syspath));
    }
    for (const int minor : qAsConst(served->minors))
        m_usedMinors.remove(minor);
    m_usedPorts.remove(served->port);
    for (const auto &hidraw : qAsConst(served->nodes))
        qCDebug(lcDevBench, "%s (%s) is gone", qPrintable(hidraw->devnode), qPrintable(hidraw->simPath));
    m_served.erase(served);
}
