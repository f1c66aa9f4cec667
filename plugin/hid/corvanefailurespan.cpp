// SPDX-License-Identifier: GPL-3.0-or-later
#include "corvanefailurespan.h"

void CorvaneFailureSpan::record(bool wentThrough, Clock::time_point started, Clock::time_point ended)
{
    // A success neither ends nor shortens a run: only quiet does.
    if (wentThrough)
        return;
    if (!m_runStart || started - m_lastFailure >= QuietGap)
        m_runStart = started;
    m_lastFailure = ended;
}

bool CorvaneFailureSpan::failing(Clock::time_point now) const
{
    return m_runStart && now - m_lastFailure < QuietGap;
}

bool CorvaneFailureSpan::unanswered() const
{
    return m_runStart && m_lastFailure - *m_runStart >= UnansweredSpan;
}

void CorvaneFailureSpan::reset()
{
    m_runStart.reset();
}
