// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "hidrawnode.h"

#include "corvanesim.h"

#include <QByteArray>
#include <QStringList>
#include <QVector>

#include <memory>

/**
 * One simulated controller as the kernel shows a USB HID device in sysfs: a
 * usb_device with one usb_interface per HID interface, each with its hid
 * device (HID_ID, HID_NAME, HID_PHYS, HID_UNIQ, report_descriptor) and its
 * hidraw node, whose "device" link points back to the hid device, as
 * hidapi's hidraw backend reads them. The report descriptor declares the
 * protocol's feature reports, 64 bytes each after the report id, under the
 * vendor usage page 0xff00.
 */
class HidrawDeviceTree final
{
public:
    /// Where the controller sits: the hub port, the USB device number, the
    /// sequence number of its first hid device and one hidraw minor per interface.
    struct Placement
    {
        int port = 1;
        int deviceNumber = 1;
        int firstHidSequence = 1;
        QVector<int> minors;
    };

    /// @p simPaths are the controller's interfaces in order, as many as @p placement has minors.
    HidrawDeviceTree(const CorvaneSim::ControllerConfig &config, const QStringList &simPaths,
                     const Placement &placement);

    /// The devices as umockdev_testbed_add_from_string() takes them, parents first.
    QByteArray record() const { return m_record; }
    /// Their sysfs paths ("/sys/devices/..."), children first, as they go away.
    QStringList syspathsChildFirst() const { return m_childFirst; }
    /// One per interface, in order.
    QVector<std::shared_ptr<HidrawNode>> nodes() const { return m_nodes; }

    /// The report ids and the report descriptor of a protocol's controllers.
    static std::bitset<256> featureReports(CorvaneSim::Protocol protocol);
    static QByteArray reportDescriptor(const std::bitset<256> &featureReports);

private:
    QByteArray m_record;
    QStringList m_childFirst;
    QVector<std::shared_ptr<HidrawNode>> m_nodes;
};
