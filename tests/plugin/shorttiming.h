// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "corvanehiddriver.h"

#include <chrono>

/**
 * The driver's times for suites that would otherwise wait out second-long
 * polls, the span an unanswering controller is given and the pause between
 * saves: a tenth of each. The quiet gap stays long beside the poll interval,
 * so that a poll that a loaded machine holds up does not start a new run of
 * failures.
 */
constexpr CorvaneHIDDriver::Timing shortTiming()
{
    using namespace std::chrono_literals;
    CorvaneHIDDriver::Timing timing;
    timing.pollInterval = 100ms;
    timing.saveInterval = 500ms;
    timing.quietGap = 1000ms;
    timing.unansweredSpan = 1000ms;
    return timing;
}
