// SPDX-License-Identifier: GPL-3.0-or-later
#include "v1100controller.h"

namespace CorvaneSim {

namespace {

enum ReportId : quint8 {
    IdentityReport = 1,
    PowerReport = 2,
    FanReport = 3,
    LedReport = 10,
};

enum LedSubCommand : quint8 {
    LedPower = 0x01,
    LawHeader = 0x02,
    LedSave = 0x80,
};

constexpr quint8 FanSave = 0x80;
constexpr quint16 Signature = 0x00AD;
constexpr quint32 FullPwm = 512;
constexpr quint32 StallDuty = 40;
constexpr quint32 MaxDuty = 100;

} // namespace

V1100Controller::V1100Controller(const ControllerConfig &config)
    : SimController(config)
{
}

std::optional<ReportImage> V1100Controller::answerGet(quint8 reportId) const
{
    switch (reportId) {
    case IdentityReport: return identityReport();
    case PowerReport: return powerReport();
    case FanReport: return fanReport();
    case LedReport: return ledReport();
    default: return std::nullopt;
    }
}

quint8 V1100Controller::dutyOfPwm(quint16 pwm)
{
    const quint32 duty = quint32(pwm) * 100 / FullPwm;
    if (duty < StallDuty)
        return 0;
    return quint8(qMin(duty, MaxDuty));
}

void V1100Controller::takeCommandReport(const ReportImage &report)
{
    if (report.id() == FanReport)
        takeFanReport(report);
    else if (report.id() == LedReport)
        takeLedReport(report);
}

ReportImage V1100Controller::identityReport() const
{
    ReportImage report(IdentityReport);
    report.setU16(3, config().firmwareVersion);
    report.setU16(5, config().protocolVersion);
    report.setU16(7, Signature);
    report.setBytes(17, config().cpuid);
    return report;
}

ReportImage V1100Controller::powerReport() const
{
    ReportImage report(PowerReport);
    report.setU16(6, config().adapter);
    return report;
}

ReportImage V1100Controller::fanReport() const
{
    const ControllerSettings &settings = state().live;
    ReportImage report(FanReport);
    report.setU8(1, settings.fanAutoRun ? 1 : 0);
    for (int fan = 0; fan < 4; ++fan)
        report.setU16(2 + 2 * fan, settings.fanPwm[fan]);
    return report;
}

ReportImage V1100Controller::ledReport() const
{
    const ControllerSettings &settings = state().live;
    ReportImage report(LedReport);
    report.setU8(1, settings.ledPower ? 1 : 0);
    report.setU8(2, settings.ledAutoRun ? 1 : 0);
    report.setU16(3, settings.intervalTimeMS);
    report.setU16(5, settings.lawCount);
    return report;
}

void V1100Controller::takeFanReport(const ReportImage &report)
{
    const quint8 selector = report.u8(1);
    ControllerSettings &settings = live();
    for (int fan = 0; fan < 4; ++fan) {
        if (selector & (1 << fan)) {
            settings.fanPwm[fan] = report.u16(3 + 2 * fan);
            settings.fanDuty[fan] = dutyOfPwm(settings.fanPwm[fan]);
        }
    }
    if (selector & FanSave) {
        settings.fanAutoRun = report.u8(2) != 0;
        save();
    }
}

void V1100Controller::takeLedReport(const ReportImage &report)
{
    ControllerSettings &settings = live();
    switch (report.u8(1)) {
    case LedPower:
        settings.ledPower = report.u8(2) != 0;
        break;
    case LawHeader:
        settings.intervalTimeMS = report.u16(4);
        settings.lawCount = report.u16(6);
        break;
    case LedSave:
        settings.ledAutoRun = report.u8(3) != 0;
        save();
        break;
    default:
        break;
    }
}

} // namespace CorvaneSim
