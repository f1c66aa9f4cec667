// SPDX-License-Identifier: GPL-3.0-or-later
#include "corvanehidprotocolv1100.h"

#include "corvanedrivernames.h"
#include "corvanepluginlogging.h"

#include <QThread>
#include <QVariant>

#include <algorithm>
#include <cmath>

namespace Names = CorvaneDriverNames::Driver;

namespace {

enum ReportId : quint8 {
    IdentityReport = 1,
    PowerReport = 2,
    FanReport = 3,
    LedReport = 10,
};

// Identity report, by report byte.
constexpr int FirmwareVersion = 3;
constexpr int ProtocolVersion = 5;
constexpr int DeviceSignature = 7;
constexpr int CpuId = 17;
constexpr int CpuIdSize = 12;
constexpr int IdentityCopySize = 48;
constexpr quint16 VersionFamilyMask = 0xFF00;
constexpr quint16 VersionFamily = 0x1100;
constexpr quint16 Signature = 0x00AD;

// Power report.
constexpr int AdapterReading = 6;

// Fan report: as read, the PWM fields start one byte earlier than as sent.
constexpr int FanReadAutoRun = 1;
constexpr int FanReadPwm0 = 2;
constexpr int FanSelector = 1;
constexpr int FanSaveAutoRun = 2;
constexpr int FanSendPwm0 = 3;
constexpr quint8 FanSaveSelector = 0x80;

// LED report.
constexpr int LedReadPower = 1;
constexpr int LedReadAutoRun = 2;
constexpr int LedReadInterval = 3;
constexpr int LedReadCount = 5;
constexpr int LedSubCommand = 1;
constexpr int LedSendPower = 2;
constexpr int LedSaveAutoRun = 3;
constexpr int LedSendInterval = 4;
constexpr int LedSendCount = 6;
enum LedSub : quint8 {
    LedPowerCommand = 0x01,
    LedLawHeader = 0x02,
    LedSave = 0x80,
};

constexpr int FanCount = 4;
constexpr quint16 PwmFullScale = 512;
constexpr int MaximumDuty = 100;
// The controller stalls a fan below this duty, so it is stopped instead.
constexpr int MinimumRunningDuty = 40;

// The identity report carries neither; the program tells the family by these.
constexpr int HardwareVersion = 21;
constexpr int Model = 1;

// The controller needs these pauses around an LED law upload.
constexpr unsigned long LedUploadPauseMs = 100;

CorvaneHIDReport fanSave(bool autoRun)
{
    CorvaneHIDReport report(FanReport);
    report.setU8(FanSelector, FanSaveSelector);
    report.setU8(FanSaveAutoRun, autoRun ? 1 : 0);
    return report;
}

CorvaneHIDReport ledSave(bool autoRun)
{
    CorvaneHIDReport report(LedReport);
    report.setU8(LedSubCommand, LedSave);
    report.setU8(LedSaveAutoRun, autoRun ? 1 : 0);
    return report;
}

} // namespace

CorvaneHIDProtocolv1100::CorvaneHIDProtocolv1100(QObject *parent)
    : QObject(parent)
    , m_identity(IdentityReport)
{
}

quint16 CorvaneHIDProtocolv1100::dutyToPwm(quint8 duty)
{
    int percent = std::min<int>(duty, MaximumDuty);
    if (percent < MinimumRunningDuty)
        percent = 0;
    return quint16(std::round(double(percent * PwmFullScale) * 0.01));
}

int CorvaneHIDProtocolv1100::pwmToDuty(quint16 pwm)
{
    const int percent = int(pwm * (1.0 / PwmFullScale) * 100);
    if (percent > MaximumDuty)
        return MaximumDuty;
    return percent < MinimumRunningDuty ? 0 : percent;
}

bool CorvaneHIDProtocolv1100::isIdentity(const CorvaneHIDReport &report)
{
    return (report.u16(FirmwareVersion) & VersionFamilyMask) == VersionFamily
        && (report.u16(ProtocolVersion) & VersionFamilyMask) == VersionFamily
        && report.u16(DeviceSignature) == Signature;
}

bool CorvaneHIDProtocolv1100::writeFanDuty(quint8 fanIndex, quint8 duty)
{
    // The selector has one bit per fan; anything else would address nothing sane.
    if (fanIndex >= FanCount)
        return false;
    CorvaneHIDReport report(FanReport);
    report.setU8(FanSelector, quint8(1u << fanIndex));
    const quint16 pwm = dutyToPwm(duty);
    for (int fan = 0; fan < FanCount; ++fan)
        report.setU16(FanSendPwm0 + 2 * fan, pwm);
    return sendReport(report);
}

bool CorvaneHIDProtocolv1100::setFanAutoRun(bool enable)
{
    m_fanAutoRun = enable;
    return true;
}

bool CorvaneHIDProtocolv1100::close()
{
    // The flags belong to the controller they were read from or chosen for.
    m_fanAutoRun = false;
    m_ledAutoRun = false;
    return CorvaneHIDDriverIfBase::close();
}

bool CorvaneHIDProtocolv1100::setFanAutoHibernate(bool)
{
    return false;
}

bool CorvaneHIDProtocolv1100::setLEDPower(bool enable)
{
    CorvaneHIDReport report(LedReport);
    report.setU8(LedSubCommand, LedPowerCommand);
    report.setU8(LedSendPower, enable ? 1 : 0);
    return sendReport(report);
}

bool CorvaneHIDProtocolv1100::setLEDAutoRun(bool enable)
{
    m_ledAutoRun = enable;
    return true;
}

bool CorvaneHIDProtocolv1100::setLEDAutoHibernate(bool)
{
    return false;
}

bool CorvaneHIDProtocolv1100::writeLEDLaw(QVector<QByteArray> channels, quint16 intervalTimeMS, quint16 lawCount)
{
    if (!isLedChannelSet(channels) || !isOpen())
        return false;

    if (!setLEDPower(false))
        return false;
    QThread::msleep(LedUploadPauseMs);

    CorvaneHIDReport header(LedReport);
    header.setU8(LedSubCommand, LedLawHeader);
    header.setU16(LedSendInterval, intervalTimeMS);
    header.setU16(LedSendCount, lawCount);
    if (!sendReport(header))
        return false;

    for (int block = 0; block < 3; ++block) {
        if (!sendBlock(CorvaneLedBlockReportIds[block], channels.at(block)))
            return false;
    }
    QThread::msleep(LedUploadPauseMs);
    return setLEDPower(true);
}

bool CorvaneHIDProtocolv1100::reserved()
{
    return false;
}

bool CorvaneHIDProtocolv1100::saveSettings()
{
    if (!isOpen())
        return false;
    // A cleared pair first wipes what the controller stored before; only the
    // final pair decides the result.
    if (m_fanAutoRun || m_ledAutoRun) {
        sendReport(fanSave(false));
        sendReport(ledSave(false));
    }
    return sendReport(fanSave(m_fanAutoRun)) && sendReport(ledSave(m_ledAutoRun));
}

bool CorvaneHIDProtocolv1100::probe(hid_device *candidate)
{
    CorvaneHIDReport report(IdentityReport);
    return report.get(candidate) && isIdentity(report);
}

bool CorvaneHIDProtocolv1100::updatePhyDeviceRealtimePropertyToDriverObject(QObject *driver)
{
    CorvaneHIDReport report(PowerReport);
    if (!driver || !getReport(report))
        return false;
    driver->setProperty(Names::PowerAdapter, CorvaneHIDReport::adapterVolts(report.u16(AdapterReading)));
    return true;
}

void CorvaneHIDProtocolv1100::readFan(QObject *driver)
{
    CorvaneHIDReport report(FanReport);
    if (!getReport(report))
        return;
    for (int fan = 0; fan < FanCount; ++fan)
        driver->setProperty(Names::fanDutyProperty(fan), pwmToDuty(report.u16(FanReadPwm0 + 2 * fan)));
    qCDebug(lcCorvaneV1100, "CorvaneHIDProtocolv1100::updatePhyDeviceReadWritePropertyToDriverObject notice!");
    // What the controller has stored is kept, so that a save the user did not
    // ask to change auto-run with leaves it as it was.
    m_fanAutoRun = report.u8(FanReadAutoRun) != 0;
    driver->setProperty(Names::FanAutoRun, m_fanAutoRun);
}

void CorvaneHIDProtocolv1100::readLed(QObject *driver)
{
    CorvaneHIDReport report(LedReport);
    if (!getReport(report))
        return;
    driver->setProperty(Names::LedPower, report.u8(LedReadPower) != 0);
    driver->setProperty(Names::IntervalTimeMs, int(report.u16(LedReadInterval)));
    driver->setProperty(Names::LawCount, int(report.u16(LedReadCount)));
    m_ledAutoRun = report.u8(LedReadAutoRun) != 0;
    driver->setProperty(Names::LedAutoRun, m_ledAutoRun);
}

bool CorvaneHIDProtocolv1100::updatePhyDeviceReadWritePropertyToDriverObject(QObject *driver)
{
    if (!updatePhyDeviceRealtimePropertyToDriverObject(driver))
        return false;
    readFan(driver);
    readLed(driver);
    return true;
}

void CorvaneHIDProtocolv1100::readIdentity()
{
    CorvaneHIDReport report(IdentityReport);
    if (!getReport(report))
        return;
    // The id is taken even from a reply that fails the identity check.
    m_cpuId = report.bytes(CpuId, CpuIdSize);
    if (isIdentity(report))
        m_identity.copyFrom(report, 1, IdentityCopySize);
}

bool CorvaneHIDProtocolv1100::updatePhyDeviceReadOnlyPropertyToDriverObject(QObject *driver)
{
    if (!updatePhyDeviceReadWritePropertyToDriverObject(driver))
        return false;
    readIdentity();
    driver->setProperty(Names::FirmwareVersion, int(m_identity.u16(FirmwareVersion)));
    driver->setProperty(Names::ProtocolVersion, int(m_identity.u16(ProtocolVersion)));
    driver->setProperty(Names::HardwareVersion, HardwareVersion);
    driver->setProperty(Names::Model, Model);
    driver->setProperty(Names::CpuId, m_cpuId);
    driver->setProperty(Names::FanShutdownOnDisconnect, false);
    driver->setProperty(Names::LedShutdownOnDisconnect, false);
    return true;
}
