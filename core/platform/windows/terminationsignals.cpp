// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/terminationsignals.h"

// A windowed Windows program has no POSIX signals and no console whose
// Ctrl+C or close it could catch. The session's end comes as
// WM_QUERYENDSESSION and WM_ENDSESSION, which Qt's windows platform answers
// itself: nothing vetoes the logout (the fallback session management is
// off), and at WM_ENDSESSION Qt emits aboutToQuit() and quits, which stores
// what the program keeps, before the system ends the process. A forced end
// (TerminateProcess) cannot be caught at all, and the instance marker goes
// with the process anyway. So there is nothing left to watch here.

TerminationSignals::TerminationSignals(QObject *parent)
    : QObject(parent)
{
}

TerminationSignals::~TerminationSignals() = default;

void TerminationSignals::watch()
{
}
