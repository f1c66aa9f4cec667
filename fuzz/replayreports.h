// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "corvanehiddriverifbase.h"
#include "corvanesim.h"

#include <cstddef>
#include <cstdint>

/**
 * Plays @p data to @p protocol as a controller's replies. The bus is reset and
 * one fresh simulated controller of @p kind plugged; @p data, cut into 65-byte
 * replies (at most 16, the last zero-filled), is queued for its gets, after
 * which the controller answers for itself. @p protocol then opens it (its
 * probe takes the first reply), and when that succeeds runs every property
 * update on a scratch driver object and closes it again.
 */
void replayReports(CorvaneHIDDriverIfBase &protocol, CorvaneSim::Protocol kind, const uint8_t *data, size_t size);

/// Points the controllers' claim files at a folder in memory (/dev/shm, where
/// the machine has one) for the rest of the process; call once at start.
void keepClaimsInMemory();
