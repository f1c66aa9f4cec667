// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "corvanefailurespan.h"
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
 * sendReport(), getReport() and sendBlock(), which time every exchange: the
 * driver tells a passing fault from a controller that stopped answering by
 * how long its exchanges have been failing (failures()).
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

    /// How long the held device's exchanges have been failing; starts afresh with each open.
    const CorvaneFailureSpan &failures() const { return m_failures; }
    /// Takes the limits of @p failures; only before the first open.
    void setFailureSpan(const CorvaneFailureSpan &failures) { m_failures = failures; }

    /**
     * The last open() failed because another process has the controller
     * open: the device was left alone, and it is worth trying again soon.
     */
    bool claimRefused() const { return m_claimRefused; }

protected:
    /// False without touching the HID layer while no device is held.
    bool sendReport(const CorvaneHIDReport &report);
    bool getReport(CorvaneHIDReport &report);
    /// writeFeatureBlock() on the held device; each of its reports counts.
    bool sendBlock(quint8 firstReportId, const QByteArray &block);

    hid_device *m_device = nullptr;

private:
    bool counted(bool wentThrough, CorvaneFailureSpan::Clock::time_point started);

    CorvaneFailureSpan m_failures;
    bool m_claimRefused = false;
    std::unique_ptr<CorvaneControllerLock> m_claim;
};
