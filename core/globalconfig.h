// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QVariant>

class FanDutyProcessor;

/**
 * The duty table of one group from a configuration array: each entry
 * converted with QVariant::toInt and kept as its low 8 bits (300 becomes 44).
 * Anything that is not a list gives an empty table.
 */
QByteArray makeDutyTable(const QVariant& entries);

/**
 * Fills the four fans of @p processor from one configuration section:
 * "FAN_DUTIES_G1" for fans 0 and 1, "FAN_DUTIES_G2" for fans 2 and 3, in
 * fan order. A table missing from the section gives its fans an empty table.
 */
void applyDutySection(const QVariant& section, FanDutyProcessor& processor);

/**
 * Applies a decoded global configuration: section "Fireware2" to
 * @p fireware2, then "Fireware1" to @p fireware1. A missing section leaves
 * its processor untouched; a document that is not a map changes nothing.
 */
void applyGlobalConfig(const QVariant& conf, FanDutyProcessor& fireware1, FanDutyProcessor& fireware2);
