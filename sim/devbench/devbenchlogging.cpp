// SPDX-License-Identifier: GPL-3.0-or-later
#include "devbenchlogging.h"

// Which node serves which simulated interface is a debug line: the command's
// own output stays clean unless asked (QT_LOGGING_RULES="corvane.devbench.debug=true").
Q_LOGGING_CATEGORY(lcDevBench, "corvane.devbench", QtInfoMsg)
