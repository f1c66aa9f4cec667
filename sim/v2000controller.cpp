// SPDX-License-Identifier: GPL-3.0-or-later
#include "v2000controller.h"

namespace CorvaneSim {

namespace {

constexpr quint8 StatusReportId = 1;
constexpr quint8 CommandReportId = 6;
constexpr quint16 TachometerHardware = 22;
constexpr quint32 RpmPerDutyPercent = 20;
constexpr quint8 MaxDuty = 100;

enum Code : quint8 {
    FanDuty = 0x10,
    FanAutoRun = 0x1A,
    FanShutdown = 0x1C,
    LedPower = 0x20,
    LawInterval = 0x21,
    LawCount = 0x22,
    LedAutoRun = 0x2A,
    LedShutdown = 0x2C,
    Save = 0x30,
};

int paramsNeeded(quint8 code)
{
    switch (code) {
    case FanDuty: case LawInterval: case LawCount: return 2;
    case Save: return 0;
    default: return 1;
    }
}

quint8 flags(bool autoRun, bool shutdownOnDisconnect)
{
    return quint8((autoRun ? 0x01 : 0) | (shutdownOnDisconnect ? 0x02 : 0));
}

} // namespace

V2000Controller::V2000Controller(const ControllerConfig &config)
    : SimController(config)
{
}

std::optional<ReportImage> V2000Controller::answerGet(quint8 reportId) const
{
    if (reportId != StatusReportId)
        return std::nullopt;
    return statusReport();
}

void V2000Controller::setFanRpm(int fan, quint32 rpm)
{
    if (fan >= 0 && fan < 4)
        m_pinnedRpm[fan] = rpm;
}

void V2000Controller::takeCommandReport(const ReportImage &report)
{
    if (report.id() != CommandReportId)
        return;
    if (const auto commands = CommandFrame::parse(report)) {
        for (const CommandFrame::Command &command : *commands)
            execute(command);
    }
}

quint32 V2000Controller::fanRpm(int fan) const
{
    if (config().hardwareVersion != TachometerHardware)
        return 0;
    return m_pinnedRpm[fan].value_or(state().live.fanDuty[fan] * RpmPerDutyPercent);
}

void V2000Controller::execute(const CommandFrame::Command &command)
{
    const QByteArray &params = command.params;
    if (params.size() < paramsNeeded(command.code))
        return;
    const auto param = [&params](int i) { return quint8(params.at(i)); };
    const auto param16 = [&param] { return quint16(param(0) | param(1) << 8); };
    ControllerSettings &settings = live();
    switch (command.code) {
    case FanDuty:
        if (param(0) < 4)
            settings.fanDuty[param(0)] = qMin(param(1), MaxDuty);
        break;
    case FanAutoRun: settings.fanAutoRun = param(0) != 0; break;
    case FanShutdown: settings.fanShutdownOnDisconnect = param(0) != 0; break;
    case LedPower: settings.ledPower = param(0) != 0; break;
    case LawInterval: settings.intervalTimeMS = param16(); break;
    case LawCount: settings.lawCount = param16(); break;
    case LedAutoRun: settings.ledAutoRun = param(0) != 0; break;
    case LedShutdown: settings.ledShutdownOnDisconnect = param(0) != 0; break;
    case Save: save(); break;
    default: break;
    }
}

ReportImage V2000Controller::statusReport() const
{
    const ControllerConfig &id = config();
    const ControllerSettings &settings = state().live;
    ReportImage report(StatusReportId);
    report.setU16(1, id.firmwareVersion);
    report.setU16(3, id.protocolVersion);
    report.setU8(5, settings.ledPower ? 1 : 0);
    report.setU16(6, id.adapter);
    report.setU32(8, id.manufacturingDate);
    for (int fan = 0; fan < 4; ++fan) {
        report.setU32(12 + 4 * fan, fanRpm(fan));
        report.setU8(28 + fan, settings.fanDuty[fan]);
    }
    report.setU8(32, flags(settings.fanAutoRun, settings.fanShutdownOnDisconnect));
    report.setU8(33, flags(settings.ledAutoRun, settings.ledShutdownOnDisconnect));
    report.setU16(34, settings.intervalTimeMS);
    report.setU16(36, settings.lawCount);
    report.setU16(38, id.hardwareVersion);
    report.setU16(40, id.manufacturerId);
    report.setU16(42, id.model);
    report.setBytes(44, id.cpuid);
    return report;
}

} // namespace CorvaneSim
