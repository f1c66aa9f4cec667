// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "simcontroller.h"

namespace CorvaneSim {

/**
 * A v1100 controller: identity (1), power (2), fan (3) and LED (10) reports,
 * and the LED channel reports. It has no speed read-back.
 *
 * Fan speed is a PWM value on a 0 to 512 scale, kept as sent (the timer simply
 * saturates above 512); the duty in percent derived from it is what the fan
 * runs at. The auto-run flags only travel with the save sub-commands, which
 * set the flag and then store all live settings; an LED sub-command the
 * firmware does not know is ignored.
 */
class V1100Controller final : public SimController
{
public:
    explicit V1100Controller(const ControllerConfig &config);

    std::optional<ReportImage> answerGet(quint8 reportId) const override;

    /// Percent duty of a PWM value: truncated, above 100 % is 100, below 40 % the fan stops.
    static quint8 dutyOfPwm(quint16 pwm);

protected:
    void takeCommandReport(const ReportImage &report) override;

private:
    ReportImage identityReport() const;
    ReportImage powerReport() const;
    ReportImage fanReport() const;
    ReportImage ledReport() const;
    void takeFanReport(const ReportImage &report);
    void takeLedReport(const ReportImage &report);
};

} // namespace CorvaneSim
