// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "hidrawnode.h"

#include <QString>
#include <QThreadPool>

#include <functional>
#include <memory>

typedef struct _UMockdevIoctlBase UMockdevIoctlBase;
typedef struct _UMockdevIoctlClient UMockdevIoctlClient;

/**
 * Answers the hidraw ioctls of every program in the testbed, for every node
 * it is attached to, as the kernel's hidraw driver does:
 *
 *  - HIDIOCGRDESCSIZE, HIDIOCGRDESC, HIDIOCGRAWINFO, HIDIOCGRAWNAME,
 *    HIDIOCGRAWPHYS and HIDIOCGRAWUNIQ from the node's description;
 *  - HIDIOCGFEATURE(len) and HIDIOCSFEATURE(len), report id in byte 0, as
 *    hid_get_feature_report() and hid_send_feature_report() on the simulated
 *    bus, so that its report log, its faults and its models apply; the result
 *    is the byte count, report id included;
 *  - ENODEV once the node's controller is unplugged, EINVAL for a length the
 *    report descriptor does not declare (a longer buffer for a get is fine,
 *    as for the kernel), EPIPE for a report id it does not declare or that
 *    the controller stalls on, ETIMEDOUT from a silent controller, EIO for
 *    any other failed exchange, ENOTTY for any other request.
 *
 * Each open of a node is bound at once to the controller that node serves
 * then, so a program keeps talking to the controller it opened even when a
 * later one takes the same node name. Exchanges run on a pool of threads and
 * complete the ioctl from there: a silent controller makes its own callers
 * wait, and nobody else.
 */
class HidrawIoctlHandler final
{
public:
    /// The node a device path names now, or nullptr.
    using NodeLookup = std::function<std::shared_ptr<HidrawNode>(const QString &devnode)>;

    explicit HidrawIoctlHandler(NodeLookup lookup);
    ~HidrawIoctlHandler();

    /// The umockdev handler object to attach to nodes.
    UMockdevIoctlBase *base() const { return m_base; }

    /// Waits for the exchanges under way.
    void finish();

private:
    Q_DISABLE_COPY(HidrawIoctlHandler)

    static void clientConnected(UMockdevIoctlBase *base, UMockdevIoctlClient *client, void *self);
    static int handleIoctl(UMockdevIoctlBase *base, UMockdevIoctlClient *client, void *self);
    bool handle(UMockdevIoctlClient *client);

    NodeLookup m_lookup;
    UMockdevIoctlBase *m_base;
    QThreadPool m_exchanges;
};
