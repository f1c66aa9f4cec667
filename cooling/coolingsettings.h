// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "coolingchoice.h"

class QSettings;

/**
 * The cooling choices kept in the user's settings:
 * "cooling/g1_source", "cooling/g1_curve" (and g2): a source id, and
 * "default" or the points of the user's curve. A missing or unusable pair
 * reads as the CPU load with its default curve.
 */
class CoolingSettings final
{
public:
    static CoolingChoice load(const QSettings &settings, int group);
    static void save(QSettings &settings, int group, const CoolingChoice &choice);

private:
    static QString key(int group, const char *name);
};
