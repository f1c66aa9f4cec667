// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "mainwindow.h"

/// What the panel suites may see of a MainWindow beyond its widgets.
class MainWindowProbe final
{
public:
    static QObject *device(MainWindow &window) { return window.device; }
    static QObject *driver(MainWindow &window) { return window.deviceAdapter; }
    /// 0: the "Fireware1" processor, 1: the "Fireware2" one.
    static FanDutyProcessor &processor(MainWindow &window, int index) { return window.fanDutyProcessors[index]; }
    static CpuLoadSampler &cpuLoadSampler(MainWindow &window) { return window.cpuLoadSampler; }
    /// The blade animation of fan @p fan (labelFan1, labelFan4, labelFan2, labelFan3 for fans 0 to 3).
    static QPropertyAnimation &bladeAnimation(MainWindow &window, int fan)
    {
        static constexpr int AnimationOfFan[] = {0, 3, 1, 2};
        return window.fanAnimations[AnimationOfFan[fan]];
    }
};
