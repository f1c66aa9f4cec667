// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QSettings>

#include <memory>

/**
 * The per-user settings store (organisation "Corvane", application
 * "CorvaneController1", native format, user scope) and the keys the program
 * uses. On Linux that is ~/.config/Corvane/CorvaneController1.conf.
 */
class UserSettings final
{
public:
    static constexpr const char *Organisation = "Corvane";
    static constexpr const char *Application = "CorvaneController1";

    /// bool, default false: keep the interface English whatever the locale. Set by hand only.
    static constexpr const char *ForceEnglishKey = "debug/force_english";
    /// bool, default false: show the CPU load line. Set by hand only.
    static constexpr const char *ShowCpuLoadingKey = "debug/show_cpu_loading";
    /// bool, default true: the state of the "Change Boost" box.
    static constexpr const char *ChangeBoostKey = "change_boost";
    /**
     * bool, unset until the user answers: whether closing the window on a
     * desktop without a system tray keeps the cooling running in the
     * background. The cooling choices are under "cooling/" (CoolingSettings).
     */
    static constexpr const char *KeepCoolingKey = "cooling/keep_running_on_close";

    /// Opens the store; each call gives an independent object.
    static std::unique_ptr<QSettings> open();
    /// The "Change Boost" box as the user left it: on until turned off.
    static bool changeBoost(const QSettings &settings);
};
