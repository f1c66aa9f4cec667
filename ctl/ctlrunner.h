// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ctlcommand.h"
#include "ctloutcome.h"

#include <optional>

class ControllerLink;

/// Carrying out a corvane-ctl command over a link, and reporting how it went.
namespace CtlRunner {

/// Runs @p command (anything but help and list) over @p link; prints what it gives on stdout.
CtlOutcome dispatch(const CtlCommand &command, ControllerLink &link);

/// Says on stderr what went wrong, with the usage line for bad usage; returns the exit status.
int finish(const CtlOutcome &outcome);

/**
 * Quietens the plug-in's debug lines (QT_LOGGING_RULES still wins) and reads
 * the command line. Nothing is left to run after bad usage or help: then the
 * result is empty and *exitStatus says how it went.
 */
std::optional<CtlCommand> commandLine(int *exitStatus);

} // namespace CtlRunner
