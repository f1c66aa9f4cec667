// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "connectionview.h"
#include "controllerrules.h"
#include "coolingpage.h"
#include "fanmodes.h"
#include "ledpanel.h"
#include "mainwindow.h"

/// What the panel suites may see of a MainWindow and its panels beyond their widgets.
class MainWindowProbe final
{
public:
    static QObject *device(MainWindow &window) { return window.m_device; }
    static ConnectionView &connectionView(MainWindow &window) { return *window.m_connectionView; }
    static QObject *driver(MainWindow &window) { return window.m_rules->driver(); }
    static ControllerRules &rules(MainWindow &window) { return *window.m_rules; }
    static FanModes &fanModes(MainWindow &window) { return *window.m_fanModes; }
    static LedPanel &ledPanel(MainWindow &window) { return *window.m_ledPanel; }
    /// 0: the "Fireware1" processor, 1: the "Fireware2" one.
    static FanDutyProcessor &processor(MainWindow &window, int index)
    {
        return window.m_rules->dutyProcessor(index);
    }
    static CpuLoadSampler &cpuLoadSampler(MainWindow &window) { return window.m_fanModes->m_cpuLoadSampler; }
    static HwmonReader &hwmonReader(MainWindow &window) { return window.m_fanModes->m_hwmonReader; }
    static QSystemTrayIcon &trayIcon(MainWindow &window) { return *window.m_trayIcon; }
    static CoolingPage &coolingPage(MainWindow &window) { return *window.m_coolingPage; }
    /// The blade animation of fan @p fan (labelFan1, labelFan4, labelFan2, labelFan3 for fans 0 to 3).
    static QPropertyAnimation &bladeAnimation(MainWindow &window, int fan)
    {
        return window.m_fanModes->m_bladeAnimations[std::size_t(fan)];
    }
};
