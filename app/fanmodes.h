// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "controllerrules.h"
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
 * and each tick samples the CPU load and hands its level to the rules.
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

    /// One AUTO timer tick: samples the CPU load and drives both groups.
    void stepCpuLoad();

private:
    void attach();
    void detach();
    void showMode(ControllerRules::Mode mode);
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
    /// In fan order: labelFan1, labelFan4 (G1), labelFan2, labelFan3 (G2).
    std::array<QPropertyAnimation, 4> m_bladeAnimations;
    FanBladeSpinner m_bladeSpinner;
};
