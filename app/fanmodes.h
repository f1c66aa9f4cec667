// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "controllerrules.h"
#include "coolingcontrol.h"
#include "fanbladespinner.h"
#include "platform/cpuloadsampler.h"

#include <QObject>
#include <QPropertyAnimation>

#include <array>

class QLabel;
class QSlider;
class QTimer;

namespace Ui {
class MainWindow;
}

/**
 * The fan half of the panel, a view of the controller rules: the mode
 * buttons, the group sliders, "Change Boost", the duty labels, the spinning
 * blades and the controller's two fan options (auto-start, auto-hibernate).
 * Whoever changes the rules (the window's controls, the session bus), the
 * controls follow: the slider moves, the mode button lights.
 *
 * AUTO is the panel's own: while it is chosen the window's AUTO timer runs,
 * and each tick reads each group's source and hands the level its curve
 * gives to the rules (by default both groups follow the CPU load, as AUTO
 * always did). At each poll of a controller that reports fan speeds, the
 * cooling hears each fan's duty and speed, to see a fan that stopped.
 */
class FanModes final : public QObject
{
    Q_OBJECT

public:
    /**
     * @p form, @p autoTimer (the window's "autoFanSpeedTimer", 5 s) and
     * @p rules must outlive the panel. The duty labels show 0 and the fan
     * controls start disabled.
     */
    FanModes(Ui::MainWindow *form, QTimer *autoTimer, ControllerRules &rules, QObject *parent = nullptr);

    /// One AUTO timer tick: reads the groups' sources and drives each group to its curve's level.
    void stepCpuLoad();
    /// The groups' sources, curves and alarms.
    CoolingControl &cooling() { return m_cooling; }
    /// Each group's top level; before any controller, the sliders' range.
    AutoCooling::TopLevels topLevels() const;
    /// Whether the connected controller reports fan speeds, so that a stopped fan can be seen.
    bool seesStalls() const { return m_seesStalls; }
    /// One poll of the controller: tells the cooling each fan's duty and speed.
    void watchFans();

private:
    void attach();
    void detach();
    void showMode(ControllerRules::Mode mode);
    void showCpuLoad(const AutoCooling::Levels &levels);
    void showLevels(int g1Level, int g2Level);
    void showOption(ControllerRules::Part part, ControllerRules::Option option, bool on);
    void spinGroup(int firstFan, int level);
    void moveSliderQuietly(QSlider *slider, int level);
    void loadSlider(QSlider *slider, ControllerRules::Group group);
    void setSlidersEnabled(bool enabled);
    void setControlsEnabled(bool enabled);
    void setUpBlades();
    static void showDuty(QLabel *label, int duty);

    friend class MainWindowProbe;

    Ui::MainWindow *m_form;
    QTimer *m_autoTimer;
    ControllerRules &m_rules;
    CpuLoadSampler m_cpuLoadSampler;
    HwmonReader m_hwmonReader;
    CoolingControl m_cooling;
    bool m_seesStalls = false;
    /// In fan order: labelFan1, labelFan4 (G1), labelFan2, labelFan3 (G2).
    std::array<QPropertyAnimation, 4> m_bladeAnimations;
    FanBladeSpinner m_bladeSpinner;
};
