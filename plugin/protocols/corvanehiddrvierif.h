// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>
#include <QVector>

class QObject;

/**
 * The operations every controller protocol offers to a driver object.
 *
 * The order of the virtual functions is part of the contract: both protocols
 * are laid out against it. Every exchange with the device is synchronous and
 * runs on the caller's thread; a false result means the controller did not
 * take the request (or no device is open) and nothing else is reported.
 */
class CorvaneHIDDrvierIf
{
public:
    virtual bool isOpen() = 0;
    virtual bool open(QString devPath) = 0;
    virtual bool close() = 0;
    virtual bool writeFanDuty(quint8 fanIndex, quint8 duty) = 0;
    virtual bool setFanAutoRun(bool enable) = 0;
    virtual bool setFanAutoHibernate(bool enable) = 0;
    virtual bool setLEDPower(bool enable) = 0;
    virtual bool setLEDAutoRun(bool enable) = 0;
    virtual bool setLEDAutoHibernate(bool enable) = 0;
    /// @p channels holds "CH1", "CH2", "CH3" of an LED law, 256 bytes each.
    virtual bool writeLEDLaw(QVector<QByteArray> channels, quint16 intervalTimeMS, quint16 lawCount) = 0;
    virtual bool reserved() = 0;
    virtual bool saveSettings() = 0;
    /// Fill every dynamic property of @p driver (one full read of the device).
    virtual bool updatePhyDeviceReadOnlyPropertyToDriverObject(QObject *driver) = 0;
    virtual bool updatePhyDeviceReadWritePropertyToDriverObject(QObject *driver) = 0;
    /// Refresh the values that change while the device runs (adapter, fan speeds).
    virtual bool updatePhyDeviceRealtimePropertyToDriverObject(QObject *driver) = 0;
    virtual ~CorvaneHIDDrvierIf() = default;
};
