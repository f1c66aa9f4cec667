// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "corvanehiddrvierif.h"
#include "corvanehidreport.h"

#include <hidapi/hidapi.h>

#include <memory>

class CorvaneControllerLock;

/**
 * What both protocols share: ownership of the one HID handle and the
 * open/probe/close discipline around it.
 *
 * open() keeps a new handle only when probe() accepts the device; a rejected
 * device is closed again and an earlier handle stays held. A handle comes
 * with the claim on its controller (CorvaneControllerLock): a controller
 * that another process has open is not opened, not even for the probe.
 *
 * The protocols exchange reports with the held device only through
 * sendReport(), getReport() and sendBlock(), which keep count of the failures
 * in a row: the driver tells a passing fault from a controller that stopped
 * answering by that count.
 */
class CorvaneHIDDriverIfBase : public CorvaneHIDDrvierIf
{
public:
    CorvaneHIDDriverIfBase();
    CorvaneHIDDriverIfBase(const CorvaneHIDDriverIfBase &) = delete;
    CorvaneHIDDriverIfBase &operator=(const CorvaneHIDDriverIfBase &) = delete;
    ~CorvaneHIDDriverIfBase() override;

    bool isOpen() override;
    bool open(QString devPath) override;
    bool close() override;

    /// True when @p device (possibly null) speaks this protocol.
    virtual bool probe(hid_device *device) = 0;

    /// Reports exchanged with the held device that failed since the last one that went through.
    int failedExchangesInARow() const { return m_failedInARow; }

protected:
    /// False without touching the HID layer while no device is held.
    bool sendReport(const CorvaneHIDReport &report);
    bool getReport(CorvaneHIDReport &report);
    /// writeFeatureBlock() on the held device; each of its reports counts.
    bool sendBlock(quint8 firstReportId, const QByteArray &block);

    hid_device *m_device = nullptr;

private:
    bool counted(bool wentThrough);

    int m_failedInARow = 0;
    std::unique_ptr<CorvaneControllerLock> m_claim;
};
