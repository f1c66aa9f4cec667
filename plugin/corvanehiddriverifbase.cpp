// SPDX-License-Identifier: GPL-3.0-or-later
#include "corvanehiddriverifbase.h"

#include "corvanecontrollerlock.h"

CorvaneHIDDriverIfBase::CorvaneHIDDriverIfBase() = default;

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
    auto candidateClaim = std::make_unique<CorvaneControllerLock>(devPath);
    if (!candidateClaim->tryLock())
        return false;
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
    claim = std::move(candidateClaim);
    return true;
}

bool CorvaneHIDDriverIfBase::close()
{
    if (isOpen()) {
        hid_close(device);
        device = nullptr;
        claim.reset();
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
