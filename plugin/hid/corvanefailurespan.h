// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <optional>

/**
 * How long a controller's exchanges have been failing, by the clock rather
 * than by count.
 *
 * Failures that follow each other with less than QuietGap between them make
 * one run, whatever went through in between: a controller that takes every
 * command but stalls every status read is failing just as one that is
 * silent. A run that has lasted UnansweredSpan means the controller does not
 * answer any more. Suites give shorter limits, so as not to wait the real ones out.
 */
class CorvaneFailureSpan final
{
public:
    using Clock = std::chrono::steady_clock;

    /**
     * Two kernel timeouts (5 s each) back to back, or ten polls a second
     * apart: long enough to ride out a controller busy storing its settings
     * or a glitch on the bus, short enough that a dead one is let go soon.
     */
    static constexpr std::chrono::milliseconds UnansweredSpan{10000};
    /**
     * A stretch this long without a failure ends the run: the controller is
     * polled every second, so a failing one fails well within it, while two
     * glitches far apart never add up.
     */
    static constexpr std::chrono::milliseconds QuietGap{3000};

    explicit CorvaneFailureSpan(std::chrono::milliseconds quietGap = QuietGap,
                                std::chrono::milliseconds unansweredSpan = UnansweredSpan);

    /// One exchange that began at @p started and ended at @p ended.
    void record(bool wentThrough, Clock::time_point started, Clock::time_point ended = Clock::now());

    /// A run of failures is going on: the latest failure is less than the quiet gap old.
    bool failing(Clock::time_point now = Clock::now()) const;

    /// The run has lasted the unanswered span.
    bool unanswered() const;

    void reset();

private:
    std::chrono::milliseconds m_quietGap;
    std::chrono::milliseconds m_unansweredSpan;
    std::optional<Clock::time_point> m_runStart;
    Clock::time_point m_lastFailure;
};
