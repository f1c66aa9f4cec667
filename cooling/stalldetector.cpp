// SPDX-License-Identifier: GPL-3.0-or-later
#include "stalldetector.h"

StallDetector::Change StallDetector::observe(int fan, int dutyPercent, int rpm)
{
    if (fan < 0 || fan >= Fans)
        return Change::None;
    const auto index = std::size_t(fan);
    if (rpm > 0) {
        m_stillPolls[index] = 0;
        const bool wasStalled = m_stalled[index];
        m_stalled[index] = false;
        return wasStalled ? Change::Turning : Change::None;
    }
    // Standing still at a low duty may be meant; it also breaks the row.
    if (dutyPercent < MustTurnDutyPercent) {
        m_stillPolls[index] = 0;
        return Change::None;
    }
    if (m_stalled[index] || ++m_stillPolls[index] < StillPollsToStall)
        return Change::None;
    m_stalled[index] = true;
    return Change::Stalled;
}

void StallDetector::reset()
{
    m_stillPolls = {};
    m_stalled = {};
}
