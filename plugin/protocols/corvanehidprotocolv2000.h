// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "corvanehiddriverifbase.h"
#include "corvanehidreport.h"

#include <QObject>

#include <initializer_list>

/**
 * The newer controller protocol (firmware and protocol version 0x2000 and up):
 * one status report (id 1) read whole, one command report (id 6) carrying a
 * frame of parameter bytes and command codes, and three 256-byte LED channel
 * blocks.
 *
 * Every operation that needs the device returns false without touching the
 * HID layer while nothing is open.
 */
class CorvaneHIDProtocolv2000 final : public QObject, public CorvaneHIDDriverIfBase
{
    Q_OBJECT
public:
    explicit CorvaneHIDProtocolv2000(QObject *parent = nullptr);

    bool writeFanDuty(quint8 fanIndex, quint8 duty) override;
    bool setFanAutoRun(bool enable) override;
    bool setFanAutoHibernate(bool enable) override;
    /// Pauses 10 ms after the controller took the command.
    bool setLEDPower(bool enable) override;
    bool setLEDAutoRun(bool enable) override;
    bool setLEDAutoHibernate(bool enable) override;
    /**
     * Switches the LED off, sends interval and step count, the three channel
     * blocks (on hardware version 22 in the order CH3, CH1, CH2), and switches
     * the LED on again. Any failure after the first step leaves the LED off.
     * Anything but three 256-byte channels is refused before a report is sent.
     */
    bool writeLEDLaw(QVector<QByteArray> channels, quint16 intervalTimeMS, quint16 lawCount) override;
    bool reserved() override;
    bool saveSettings() override;
    bool updatePhyDeviceReadOnlyPropertyToDriverObject(QObject *driver) override;
    bool updatePhyDeviceReadWritePropertyToDriverObject(QObject *driver) override;
    /// One status read: the adapter voltage, and fan speeds on hardware version 22.
    bool updatePhyDeviceRealtimePropertyToDriverObject(QObject *driver) override;
    /// Accepts a device whose status report carries both versions >= 0x2000.
    bool probe(hid_device *candidate) override;

private:
    struct Command
    {
        quint8 code;
        std::initializer_list<quint8> parameters;
    };

    static CorvaneHIDReport commandReport(std::initializer_list<Command> commands);
    bool sendFrame(std::initializer_list<Command> commands);
    bool sendSwitch(quint8 code, bool enable);
    /// Reads the status of the held device into the status block.
    bool readStatus();
    /// Takes @p report into the status block when its versions are this protocol's.
    bool acceptStatus(const CorvaneHIDReport &report);

    /// Bytes 1 to 55 of the last accepted status report, at their report offsets.
    CorvaneHIDReport m_status;
};
