// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "corvanehiddrvierif.h"

#include <hidapi/hidapi.h>

/**
 * What both protocols share: ownership of the one HID handle and the
 * open/probe/close discipline around it.
 *
 * open() keeps a new handle only when probe() accepts the device; a rejected
 * device is closed again and an earlier handle stays held.
 */
class CorvaneHIDDriverIfBase : public CorvaneHIDDrvierIf
{
public:
    CorvaneHIDDriverIfBase() = default;
    CorvaneHIDDriverIfBase(const CorvaneHIDDriverIfBase &) = delete;
    CorvaneHIDDriverIfBase &operator=(const CorvaneHIDDriverIfBase &) = delete;
    ~CorvaneHIDDriverIfBase() override;

    bool isOpen() override;
    bool open(QString devPath) override;
    bool close() override;

    /// True when @p device (possibly null) speaks this protocol.
    virtual bool probe(hid_device *device) = 0;

protected:
    hid_device *device = nullptr;
    void *privateData = nullptr;
};
