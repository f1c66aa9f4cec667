// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "corvanesim.h"
#include "reportimage.h"

#include <memory>

namespace CorvaneSim {

/**
 * The firmware of one simulated controller: what its primary interface answers
 * to feature reports and what the reports change. Not thread-safe; the bus
 * serialises every call.
 *
 * Both protocols share the LED channel reports (16 to 19, 32 to 35, 48 to 51),
 * each carrying one quarter of a 256-byte channel block. A report id the
 * firmware does not know is treated as a USB controller typically does: a
 * GET_REPORT for it stalls (the get fails), while a SET_REPORT is acknowledged
 * by the control endpoint and dropped (the send succeeds and changes nothing).
 */
class SimController
{
public:
    /// A model of the protocol that @p config names; @p config must be complete (cpuid set).
    static std::unique_ptr<SimController> create(const ControllerConfig &config);
    virtual ~SimController() = default;

    const ControllerConfig &config() const { return m_state.config; }
    /// The state with the fan speeds as the controller would report them.
    ControllerState snapshot() const;

    /// The reply to a get of @p reportId; nullopt when the firmware does not know it.
    virtual std::optional<ReportImage> answerGet(quint8 reportId) const = 0;
    /// Applies a sent report.
    void takeSend(const ReportImage &report);

    void setAdapter(quint16 reading) { m_state.config.adapter = reading; }
    /// Pins a fan's reported speed; controllers without speed read-back ignore it.
    virtual void setFanRpm(int fan, quint32 rpm);

protected:
    explicit SimController(const ControllerConfig &config);

    /// Applies a sent report that is not an LED channel report.
    virtual void takeCommandReport(const ReportImage &report) = 0;
    /// The speed the controller reports for @p fan (0 to 3).
    virtual quint32 fanRpm(int fan) const;

    const ControllerState &state() const { return m_state; }
    ControllerSettings &live() { return m_state.live; }
    /// Stores the live settings, as the firmware's save command does.
    void save();

private:
    bool takeChannelReport(const ReportImage &report);

    ControllerState m_state;
};

} // namespace CorvaneSim
