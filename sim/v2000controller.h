// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "commandframe.h"
#include "simcontroller.h"

namespace CorvaneSim {

/**
 * A v2000 controller: status report 1 (get), command report 6 (send) in the
 * language of CommandFrame, and the LED channel reports.
 *
 * Commands whose parameters fall short, and fan indexes above 3, are ignored
 * like unknown codes; a duty above 100 runs the fan at 100 %. On hardware 22
 * a fan reports duty x 20 rpm unless a test pinned its speed; other hardware
 * has no tachometer inputs and reports 0.
 */
class V2000Controller final : public SimController
{
public:
    explicit V2000Controller(const ControllerConfig &config);

    std::optional<ReportImage> answerGet(quint8 reportId) const override;
    void setFanRpm(int fan, quint32 rpm) override;

protected:
    void takeCommandReport(const ReportImage &report) override;
    quint32 fanRpm(int fan) const override;

private:
    void execute(const CommandFrame::Command &command);
    ReportImage statusReport() const;

    std::optional<quint32> m_pinnedRpm[4];
};

} // namespace CorvaneSim
