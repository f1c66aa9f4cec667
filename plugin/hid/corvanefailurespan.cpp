// SPDX-License-Identifier: GPL-3.0-or-later
#include "corvanefailurespan.h"

CorvaneFailureSpan::CorvaneFailureSpan(std::chrono::milliseconds quietGap, std::chrono::milliseconds unansweredSpan)
    : m_quietGap(quietGap)
    , m_unansweredSpan(unansweredSpan)
{
}

void CorvaneFailureSpan::record(bool wentThrough, Clock::time_point started, Clock::time_point ended)
{
    // A success neither ends nor shortens a run: only quiet does.
    if (wentThrough)
        return;
    if (!m_runStart || started - m_lastFailure >= m_quietGap)
        m_runStart = started;
    m_lastFailure = ended;
}

bool CorvaneFailureSpan::failing(Clock::time_point now) const
{
    return m_runStart && now - m_lastFailure < m_quietGap;
}

bool CorvaneFailureSpan::unanswered() const
{
    return m_runStart && m_lastFailure - *m_runStart >= m_unansweredSpan;
}

void CorvaneFailureSpan::reset()
{
    m_runStart.reset();
}
