// SPDX-License-Identifier: GPL-3.0-or-later
#include "corvanehidprotocolv2000.h"

#include "corvanedrivernames.h"
#include "corvanehidreport.h"
#include "corvanepluginlogging.h"

#include <QThread>
#include <QVariant>

namespace Names = CorvaneDriverNames::Driver;

namespace {

constexpr quint8 StatusReportId = 1;
constexpr quint8 CommandReportId = 6;
constexpr quint16 MinimumVersion = 0x2000;
constexpr quint16 FanSpeedHardware = 22;
constexpr int StatusBlockSize = 55;
constexpr int CpuIdSize = 12;

// Frame language of the command report.
constexpr quint8 FrameStart = 0xA0;
constexpr quint8 FrameEnd = 0xA1;
constexpr quint8 Parameter = 0xB0;
constexpr quint8 CommandCode = 0xC0;

enum Code : quint8 {
    FanDuty = 0x10,
    FanAutoRun = 0x1A,
    FanAutoHibernate = 0x1C,
    LedPower = 0x20,
    LedInterval = 0x21,
    LedCount = 0x22,
    LedAutoRun = 0x2A,
    LedAutoHibernate = 0x2C,
    Save = 0x30,
};

// Status report layout, by report byte.
enum StatusByte : int {
    FirmwareVersion = 1,
    ProtocolVersion = 3,
    LedPowerState = 5,
    AdapterReading = 6,
    ManufacturingDate = 8,
    FanSpeed0 = 12,
    FanDuty0 = 28,
    FanFlags = 32,
    LedFlags = 33,
    Interval = 34,
    LawCount = 36,
    HardwareVersion = 38,
    ManufacturerId = 40,
    Model = 42,
    CpuId = 44,
};

constexpr quint8 AutoRunBit = 0x01;
constexpr quint8 ShutdownOnDisconnectBit = 0x02;

// The controller needs this long to settle after an LED power change.
constexpr unsigned long LedPowerPauseMs = 10;


quint8 lowByte(quint16 value) { return quint8(value & 0xFF); }
quint8 highByte(quint16 value) { return quint8(value >> 8); }

} // namespace

CorvaneHIDProtocolv2000::CorvaneHIDProtocolv2000(QObject *parent)
    : QObject(parent)
    , m_status(StatusReportId)
{
}

CorvaneHIDReport CorvaneHIDProtocolv2000::commandReport(std::initializer_list<Command> commands)
{
    CorvaneHIDReport report(CommandReportId);
    int at = 1;
    const auto put = [&report, &at](quint8 byte) { report.setU8(at++, byte); };
    put(FrameStart);
    for (const Command &command : commands) {
        for (quint8 parameter : command.parameters) {
            put(Parameter);
            put(parameter);
        }
        put(CommandCode);
        put(command.code);
    }
    put(FrameEnd);
    return report;
}

bool CorvaneHIDProtocolv2000::sendFrame(std::initializer_list<Command> commands)
{
    return sendReport(commandReport(commands));
}

bool CorvaneHIDProtocolv2000::sendSwitch(quint8 code, bool enable)
{
    return sendFrame({{code, {quint8(enable ? 1 : 0)}}});
}

bool CorvaneHIDProtocolv2000::writeFanDuty(quint8 fanIndex, quint8 duty)
{
    return sendFrame({{FanDuty, {fanIndex, duty}}});
}

bool CorvaneHIDProtocolv2000::setFanAutoRun(bool enable)
{
    return sendSwitch(FanAutoRun, enable);
}

bool CorvaneHIDProtocolv2000::setFanAutoHibernate(bool enable)
{
    return sendSwitch(FanAutoHibernate, enable);
}

bool CorvaneHIDProtocolv2000::setLEDPower(bool enable)
{
    if (!sendSwitch(LedPower, enable))
        return false;
    QThread::msleep(LedPowerPauseMs);
    return true;
}

bool CorvaneHIDProtocolv2000::setLEDAutoRun(bool enable)
{
    return sendSwitch(LedAutoRun, enable);
}

bool CorvaneHIDProtocolv2000::setLEDAutoHibernate(bool enable)
{
    return sendSwitch(LedAutoHibernate, enable);
}

bool CorvaneHIDProtocolv2000::writeLEDLaw(QVector<QByteArray> channels, quint16 intervalTimeMS, quint16 lawCount)
{
    if (!isLedChannelSet(channels) || !isOpen())
        return false;

    if (!setLEDPower(false))
        return false;
    if (!sendFrame({{LedInterval, {lowByte(intervalTimeMS), highByte(intervalTimeMS)}},
                    {LedCount, {lowByte(lawCount), highByte(lawCount)}}}))
        return false;

    // Hardware 22 wires its channels differently: CH3 goes first.
    const bool rewired = m_status.u16(HardwareVersion) == FanSpeedHardware;
    const int order[3] = {rewired ? 2 : 0, rewired ? 0 : 1, rewired ? 1 : 2};
    for (int block = 0; block < 3; ++block) {
        if (!sendBlock(CorvaneLedBlockReportIds[block], channels.at(order[block])))
            return false;
    }
    return setLEDPower(true);
}

bool CorvaneHIDProtocolv2000::reserved()
{
    return false;
}

bool CorvaneHIDProtocolv2000::saveSettings()
{
    if (!sendFrame({{Save, {}}}))
        return false;
    qCDebug(lcCorvaneV2000, "Save!!");
    return true;
}

bool CorvaneHIDProtocolv2000::probe(hid_device *candidate)
{
    CorvaneHIDReport report(StatusReportId);
    return report.get(candidate) && acceptStatus(report);
}

bool CorvaneHIDProtocolv2000::readStatus()
{
    CorvaneHIDReport report(StatusReportId);
    return getReport(report) && acceptStatus(report);
}

bool CorvaneHIDProtocolv2000::acceptStatus(const CorvaneHIDReport &report)
{
    if (report.u16(FirmwareVersion) < MinimumVersion || report.u16(ProtocolVersion) < MinimumVersion)
        return false;
    m_status.copyFrom(report, 1, StatusBlockSize);
    return true;
}

bool CorvaneHIDProtocolv2000::updatePhyDeviceRealtimePropertyToDriverObject(QObject *driver)
{
    if (!driver || !readStatus())
        return false;
    driver->setProperty(Names::PowerAdapter, CorvaneHIDReport::adapterVolts(m_status.u16(AdapterReading)));
    if (m_status.u16(HardwareVersion) == FanSpeedHardware) {
        for (int fan = 0; fan < CorvaneDriverNames::FanCount; ++fan)
            driver->setProperty(Names::fanRpmProperty(fan), uint(m_status.u32(FanSpeed0 + 4 * fan)));
    }
    return true;
}

bool CorvaneHIDProtocolv2000::updatePhyDeviceReadWritePropertyToDriverObject(QObject *driver)
{
    if (!updatePhyDeviceRealtimePropertyToDriverObject(driver))
        return false;
    for (int fan = 0; fan < CorvaneDriverNames::FanCount; ++fan)
        driver->setProperty(Names::fanDutyProperty(fan), int(m_status.u8(FanDuty0 + fan)));
    qCDebug(lcCorvaneV2000, "CorvaneHIDProtocolv2000::updatePhyDeviceReadWritePropertyToDriverObject notice!");
    driver->setProperty(Names::ManufacturingDate, uint(m_status.u32(ManufacturingDate)));
    driver->setProperty(Names::ManufacturerId, int(m_status.u16(ManufacturerId)));
    driver->setProperty(Names::LedPower, int(m_status.u8(LedPowerState)));
    driver->setProperty(Names::IntervalTimeMs, int(m_status.u16(Interval)));
    driver->setProperty(Names::LawCount, int(m_status.u16(LawCount)));
    driver->setProperty(Names::FanAutoRun, int(m_status.u8(FanFlags) & AutoRunBit));
    driver->setProperty(Names::LedAutoRun, int(m_status.u8(LedFlags) & AutoRunBit));
    driver->setProperty(Names::FanShutdownOnDisconnect, int(m_status.u8(FanFlags) & ShutdownOnDisconnectBit));
    driver->setProperty(Names::LedShutdownOnDisconnect, int(m_status.u8(LedFlags) & ShutdownOnDisconnectBit));
    return true;
}

bool CorvaneHIDProtocolv2000::updatePhyDeviceReadOnlyPropertyToDriverObject(QObject *driver)
{
    if (!updatePhyDeviceReadWritePropertyToDriverObject(driver))
        return false;
    const QByteArray cpuId = m_status.bytes(CpuId, CpuIdSize);
    driver->setProperty(Names::FirmwareVersion, int(m_status.u16(FirmwareVersion)));
    driver->setProperty(Names::ProtocolVersion, int(m_status.u16(ProtocolVersion)));
    driver->setProperty(Names::HardwareVersion, int(m_status.u16(HardwareVersion)));
    driver->setProperty(Names::Model, int(m_status.u16(Model)));
    driver->setProperty(Names::CpuId, cpuId);
    return true;
}
