// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>

/**
 * Tells a stopped fan from one that may stand still, poll by poll of a
 * controller that reports fan speeds.
 *
 * A fan counts as stalled after it reported 0 rpm for three polls in a row
 * while driven at 40 % or more. 4-wire PWM fans are built to turn from about
 * 30 % duty on; below that many stop, some on purpose, so 40 % leaves room for
 * their tolerance without mistaking a quiet fan for a broken one. Three polls
 * give a fan that was just switched on time to spin up. It counts as turning
 * again at the first poll with a speed.
 */
class StallDetector final
{
public:
    static constexpr int Fans = 4;
    static constexpr int MustTurnDutyPercent = 40;
    static constexpr int StillPollsToStall = 3;

    enum class Change { None, Stalled, Turning };

    /// One poll of @p fan: the duty it is driven at and the speed it reports.
    Change observe(int fan, int dutyPercent, int rpm);
    /// Forgets everything, for the next controller.
    void reset();

private:
    std::array<int, Fans> m_stillPolls{};
    std::array<bool, Fans> m_stalled{};
};
