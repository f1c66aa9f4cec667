// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

class QObject;

/**
 * Who a connected controller is, as its driver object's "model",
 * "firmwareVersion" and "CPUID" properties and its protocol object say, and
 * what follows from it for the window and corvane-ctl: the texts they show
 * and which duty tables serve it.
 */
struct DeviceIdentity final
{
    /// The firmware of the first controller generation.
    static constexpr int FirstFirmware = 0x1100;

    int model = 0;
    int firmwareVersion = 0;
    QByteArray cpuid;
    /// "v1100" or "v2000": the protocol object the driver carries; empty when unknown.
    QString protocol;

    /// Reads the three properties and the protocol; missing ones read as 0 or empty.
    static DeviceIdentity fromDriver(const QObject &driver);

    /// "CRV-M7k" for models 0 and 1, "CRV-M7k II" for 2, "CRV-Unknown" otherwise.
    QString modelText() const;
    /// "fw-1.1", "fw-2.0" or "fw-unknown".
    QString firmwareText() const;
    /// The processor id as lower-case hex digits, two a byte, no separators.
    QString serialText() const;
    /**
     * True when the controller takes the "Fireware1" duty tables: first
     * firmware on model 1 or lower. Every other controller takes "Fireware2".
     */
    bool usesFirstDutyTables() const;
    /// False for the first firmware, which has no shut-down-on-disconnect settings.
    bool canHibernate() const;
};
