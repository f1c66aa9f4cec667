// SPDX-License-Identifier: GPL-3.0-or-later
#include "corvanehiddriverifbase.h"

CorvaneHIDDriverIfBase::~CorvaneHIDDriverIfBase()
{
    // Not close(): a virtual call from the destructor would not reach a
    // derived class anyway, and releasing the handle is all there is to do.
    hid_close(device);
}

bool CorvaneHIDDriverIfBase::isOpen()
{
    return device != nullptr;
}

bool CorvaneHIDDriverIfBase::open(QString devPath)
{
    // toLatin1() keeps a terminating zero after its data.
    const QByteArray path = devPath.toLatin1();
    hid_device *candidate = hid_open_path(path.constData());
    if (!probe(candidate)) {
        hid_close(candidate);
        return false;
    }
    close();
    device = candidate;
    failedInARow = 0;
    return true;
}

bool CorvaneHIDDriverIfBase::close()
{
    if (isOpen()) {
        hid_close(device);
        device = nullptr;
    }
    return true;
}

bool CorvaneHIDDriverIfBase::sendReport(const CorvaneHIDReport &report)
{
    return isOpen() && counted(report.send(device));
}

bool CorvaneHIDDriverIfBase::getReport(CorvaneHIDReport &report)
{
    return isOpen() && counted(report.get(device));
}

bool CorvaneHIDDriverIfBase::sendBlock(quint8 firstReportId, const QByteArray &block)
{
    return isOpen() && writeFeatureBlock(device, firstReportId, block, [this](bool taken) { counted(taken); });
}

bool CorvaneHIDDriverIfBase::counted(bool wentThrough)
{
    failedInARow = wentThrough ? 0 : failedInARow + 1;
    return wentThrough;
}
