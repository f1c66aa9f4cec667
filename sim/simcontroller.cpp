// SPDX-License-Identifier: GPL-3.0-or-later
#include "simcontroller.h"

#include "v1100controller.h"
#include "v2000controller.h"

namespace CorvaneSim {

namespace {
constexpr int BlockSize = 256;
constexpr int ReportsPerBlock = 4;
constexpr int PayloadSize = ReportImage::Size - 1;
constexpr quint8 FirstChannelIds[3] = {16, 32, 48};
} // namespace

std::unique_ptr<SimController> SimController::create(const ControllerConfig &config)
{
    if (config.protocol == Protocol::V1100)
        return std::make_unique<V1100Controller>(config);
    return std::make_unique<V2000Controller>(config);
}

SimController::SimController(const ControllerConfig &config)
{
    m_state.config = config;
    for (QByteArray &block : m_state.live.blocks)
        block = QByteArray(BlockSize, '\0');
    // Powered up, a controller runs what it has stored.
    m_state.live.fanAutoRun = config.fanAutoRun;
    m_state.live.ledAutoRun = config.ledAutoRun;
    m_state.live.ledPower = config.ledPower;
    m_state.stored = m_state.live;
}

ControllerState SimController::snapshot() const
{
    ControllerState state = m_state;
    for (int fan = 0; fan < 4; ++fan)
        state.fanRpm[fan] = fanRpm(fan);
    return state;
}

void SimController::takeSend(const ReportImage &report)
{
    if (!takeChannelReport(report))
        takeCommandReport(report);
}

void SimController::save()
{
    m_state.stored = m_state.live;
    ++m_state.saveCount;
}

void SimController::setFanRpm(int, quint32)
{
}

quint32 SimController::fanRpm(int) const
{
    return 0;
}

bool SimController::takeChannelReport(const ReportImage &report)
{
    for (int channel = 0; channel < 3; ++channel) {
        const int part = report.id() - FirstChannelIds[channel];
        if (part < 0 || part >= ReportsPerBlock)
            continue;
        m_state.live.blocks[channel].replace(part * PayloadSize, PayloadSize, report.bytes(1, PayloadSize));
        return true;
    }
    return false;
}

} // namespace CorvaneSim
