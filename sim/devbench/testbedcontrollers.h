// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "hidrawioctlhandler.h"
#include "hidrawnode.h"

#include <QHash>
#include <QMap>
#include <QMutex>
#include <QSet>
#include <QString>
#include <QStringList>

#include <memory>

typedef struct _UMockdevTestbed UMockdevTestbed;

/**
 * The simulated bus's controllers as kernel devices in a umockdev testbed.
 * Each controller present becomes a USB device with one hidraw node per
 * interface (HidrawDeviceTree), answered by one HidrawIoctlHandler. A
 * controller that the bus plugs later (the control FIFO's "plug", a test's
 * Bus::plug) arrives with "add" uevents; one it unplugs goes with "remove"
 * uevents, children first, sent while its devices still exist, and its nodes
 * answer ENODEV from then on to the programs that still have them open.
 *
 * Numbers are handed out as the kernel does: hidraw minors and hub ports
 * lowest free first, so a controller plugged again gets the node the last
 * one had; USB device numbers and hid device sequence numbers only grow.
 *
 * Lives on the thread that plugs and unplugs (the control channel's, the
 * main thread).
 */
class TestbedControllers final
{
public:
    explicit TestbedControllers(UMockdevTestbed *testbed);
    ~TestbedControllers();

    /// The node behind a device path now, or nullptr. Any thread.
    std::shared_ptr<HidrawNode> node(const QString &devnode) const;

private:
    Q_DISABLE_COPY(TestbedControllers)

    struct Served
    {
        QStringList syspathsChildFirst;
        QVector<std::shared_ptr<HidrawNode>> nodes;
        QVector<int> minors;
        int port = 0;
    };

    void arrived(const QString &simPath);
    void departed(const QString &simPath);
    static int lowestFree(const QSet<int> &used, int first);

    UMockdevTestbed *m_testbed;
    HidrawIoctlHandler m_handler;
    int m_listener = -1;
    QMap<int, Served> m_served;       // by the simulator's controller number
    QSet<int> m_usedMinors;
    QSet<int> m_usedPorts;
    QSet<QString> m_attached;         // nodes the handler answers (kept: names come back)
    int m_nextDeviceNumber = 2;       // 1 is the root hub
    int m_nextHidSequence = 1;
    mutable QMutex m_mutex;
    QHash<QString, std::shared_ptr<HidrawNode>> m_nodes;   // by device path, guarded
};
