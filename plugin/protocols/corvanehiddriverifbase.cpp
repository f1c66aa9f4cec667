// SPDX-License-Identifier: GPL-3.0-or-later
#include "corvanehiddriverifbase.h"

#include "corvanecontrollerlock.h"

CorvaneHIDDriverIfBase::CorvaneHIDDriverIfBase() = default;

CorvaneHIDDriverIfBase::~CorvaneHIDDriverIfBase()
{
    // Not close(): a virtual call from the destructor would not reach a
    // derived class anyway, and releasing the handle is all there is to do.
    hid_close(m_device);
}

bool CorvaneHIDDriverIfBase::isOpen()
{
    return m_device != nullptr;
}

bool CorvaneHIDDriverIfBase::open(QString devPath)
{
    auto candidateClaim = std::make_unique<CorvaneControllerLock>(devPath);
    m_claimRefused = !candidateClaim->tryLock();
    if (m_claimRefused)
        return false;
    // toLatin1() keeps a terminating zero after its data.
    const QByteArray path = devPath.toLatin1();
    hid_device *candidate = hid_open_path(path.constData());
    if (!probe(candidate)) {
        hid_close(candidate);
        return false;
    }
    close();
    m_device = candidate;
    m_failures.reset();
    m_claim = std::move(candidateClaim);
    return true;
}

bool CorvaneHIDDriverIfBase::close()
{
    if (isOpen()) {
        hid_close(m_device);
        m_device = nullptr;
        m_claim.reset();
    }
    return true;
}

bool CorvaneHIDDriverIfBase::sendReport(const CorvaneHIDReport &report)
{
    const auto started = CorvaneFailureSpan::Clock::now();
    return isOpen() && counted(report.send(m_device), started);
}

bool CorvaneHIDDriverIfBase::getReport(CorvaneHIDReport &report)
{
    const auto started = CorvaneFailureSpan::Clock::now();
    return isOpen() && counted(report.get(m_device), started);
}

bool CorvaneHIDDriverIfBase::sendBlock(quint8 firstReportId, const QByteArray &block)
{
    auto started = CorvaneFailureSpan::Clock::now();
    return isOpen() && writeFeatureBlock(m_device, firstReportId, block, [this, &started](bool taken) {
        counted(taken, started);
        started = CorvaneFailureSpan::Clock::now();
    });
}

bool CorvaneHIDDriverIfBase::counted(bool wentThrough, CorvaneFailureSpan::Clock::time_point started)
{
    m_failures.record(wentThrough, started);
    return wentThrough;
}
