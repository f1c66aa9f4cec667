// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "corvanehiddriverifbase.h"
#include "corvanehidreport.h"

#include <QByteArray>
#include <QObject>

/**
 * The older controller protocol (firmware and protocol version 0x11xx): fixed
 * identity (1), power (2), fan (3) and LED (10) reports, fan duties as PWM
 * values from 0 to 512, and three 256-byte LED channel blocks.
 *
 * The controller has no auto-hibernate settings and no fan speed read-back.
 * Its auto-run flags are kept here and reach the controller only with
 * saveSettings(): they start as the controller's stored flags, read from the
 * fan and LED reports at open, and are forgotten at close.
 *
 * Every operation that needs the device returns false without touching the
 * HID layer while nothing is open.
 */
class CorvaneHIDProtocolv1100 final : public QObject, public CorvaneHIDDriverIfBase
{
    Q_OBJECT
public:
    explicit CorvaneHIDProtocolv1100(QObject *parent = nullptr);

    /// Also clears both auto-run flags.
    bool close() override;

    /// Duty in percent; below 40 stops the fan, above 100 counts as 100. Fans 0 to 3 only.
    bool writeFanDuty(quint8 fanIndex, quint8 duty) override;
    /// Stored until saveSettings(); sends nothing, always true.
    bool setFanAutoRun(bool enable) override;
    /// Not supported by the controller: always false.
    bool setFanAutoHibernate(bool enable) override;
    bool setLEDPower(bool enable) override;
    /// Stored until saveSettings(); sends nothing, always true.
    bool setLEDAutoRun(bool enable) override;
    /// Not supported by the controller: always false.
    bool setLEDAutoHibernate(bool enable) override;
    /**
     * Switches the LED off, sends interval and step count and the blocks CH1,
     * CH2, CH3, then switches the LED on, with 100 ms pauses around the upload.
     * Any failure after the first step leaves the LED off. Anything but three
     * 256-byte channels is refused before a report is sent.
     */
    bool writeLEDLaw(QVector<QByteArray> channels, quint16 intervalTimeMS, quint16 lawCount) override;
    bool reserved() override;
    /// Sends the fan and LED save reports with the stored auto-run flags.
    bool saveSettings() override;
    /// Reads power, fan and LED reports, then the identity.
    bool updatePhyDeviceReadOnlyPropertyToDriverObject(QObject *driver) override;
    /// Reads power, fan and LED reports, taking the auto-run flags from them; only a failed power read fails it.
    bool updatePhyDeviceReadWritePropertyToDriverObject(QObject *driver) override;
    /// One power report read: the adapter voltage.
    bool updatePhyDeviceRealtimePropertyToDriverObject(QObject *driver) override;
    /// Accepts a device whose identity report carries versions 0x11xx and signature 0x00AD.
    bool probe(hid_device *candidate) override;

    /// Percent to PWM: clamped to 100, 0 below 40, rounded half away from zero.
    static quint16 dutyToPwm(quint8 duty);
    /// PWM to percent: truncated, clamped to 100, 0 below 40.
    static int pwmToDuty(quint16 pwm);

private:
    static bool isIdentity(const CorvaneHIDReport &report);
    void readFan(QObject *driver);
    void readLed(QObject *driver);
    void readIdentity();

    /// Bytes 1 to 48 of the last accepted identity report, at their report offsets.
    CorvaneHIDReport m_identity;
    QByteArray m_cpuId;
    bool m_fanAutoRun = false;
    bool m_ledAutoRun = false;
};
