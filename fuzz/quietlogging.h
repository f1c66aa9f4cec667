// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

/// Switches off every Qt logging category, which would otherwise print on every input.
void silenceLogging();
