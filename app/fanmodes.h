// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "coolingcontrol.h"
#include "fanbladespinner.h"
#include "fandutyprocessor.h"
#include "platform/cpuloadsampler.h"

#include <QObject>
#include <QPropertyAnimation>

#include <array>

class QLabel;
class QSlider;
class QTimer;
struct DeviceIdentity;

namespace Ui {
class MainWindow;
}

/**
 * The fan half of the panel: MAN (each group follows its slider), AUTO (each
 * group follows its source through its curve, one step per tick of the AUTO
 * timer; by default both follow the CPU load), DUST,
 * "Change Boost", the duty labels, the spinning blades and the controller's
 * two fan options (auto-start, auto-hibernate).
 *
 * It owns the two fan duty processors, one per duty table family of the
 * global configuration, and serves the connected controller with the one its
 * identity calls for. Every level change goes through control_fans().
 *
 * The operations are what a user can do with the fan controls; the window's
 * slots call them with the user's input, and another front end may call them
 * as well: the controls then follow (the slider moves, the mode button
 * lights). They answer false, and change nothing, when they are refused:
 * without a controller, or where the control they stand for could not be
 * used either.
 */
class FanModes final : public QObject
{
    Q_OBJECT

public:
    enum class Mode { Manual, Auto };
    enum class Group { G1, G2 };

    /**
     * @p form and @p autoTimer (the window's "autoFanSpeedTimer", 5 s) must
     * outlive the panel. The duty labels show 0 and the fan controls start
     * disabled.
     */
    FanModes(Ui::MainWindow *form, QTimer *autoTimer, QObject *parent = nullptr);

    /// 0: the processor of the "Fireware1" tables, 1: of the "Fireware2" ones.
    FanDutyProcessor &dutyProcessor(int index) { return m_processors[std::size_t(index)]; }

    /// MAN or AUTO, as the user clicks them; AUTO again restarts it at the top level.
    bool setMode(Mode mode);
    /// The lit mode button.
    Mode mode() const;
    /// True while a dust cycle runs that no level change has cut short.
    bool isDusting() const;
    /// In MAN, moves @p group to @p level (0 to the slider's maximum).
    bool setGroupLevel(Group group, int level);
    /// Starts the 13 s dust-clearing cycle; sliders and labels stay as they are.
    bool runDust();
    /// "Change Boost": a preference, also taken without a controller.
    void setBoost(bool on);
    /// The controller's own option: start the fans at power-on as stored.
    bool setAutoRun(bool on);
    /// The controller's own option: stop the fans when the PC goes; refused by the first firmware.
    bool setHibernate(bool on);
    /// One AUTO timer tick: reads the groups' sources and drives each group to its curve's level.
    void stepCpuLoad();
    /// The groups' sources, curves and alarms.
    CoolingControl &cooling() { return m_cooling; }
    /// Each group's top level: its slider's maximum.
    AutoCooling::TopLevels topLevels() const;
    /// Whether the connected controller reports fan speeds, so that a stopped fan can be seen.
    bool seesStalls() const { return m_seesStalls; }

public slots:
    /// Serves the controller just opened and loads the fan controls from it.
    void attach(QObject *driver, const DeviceIdentity &identity);
    /// Forgets the closed controller and clears the fan controls.
    void detach();
    /// At each poll of a controller that reports fan speeds: tells the cooling each fan's duty and speed.
    void watchFans();

private:
    /**
     * Applies a level to G1 and/or G2 (a negative level leaves the group
     * alone) through the active processor, with one second at the top level
     * first when "Change Boost" is checked. Nothing happens unless G1 changes
     * or, failing that, G2 does.
     */
    void control_fans(int g1Level, int g2Level);
    bool levelsChange(int g1Level, int g2Level);
    int currentGroupLevel(int firstFan);
    int topLevel();
    void enterAuto();
    void enterManual();
    void scheduleGroup(int firstFan, int level, bool boost);
    void spinGroup(int firstFan, int level);
    void moveSlidersQuietly(int level);
    void moveSliderQuietly(QSlider *slider, std::optional<int> level);
    void showCpuLoad(const AutoCooling::Levels &levels);
    void loadSlider(QSlider *slider, int fan);
    void loadOptions(const QObject &driver);
    void setSlidersEnabled(bool enabled);
    void setControlsEnabled(bool enabled);
    void setUpBlades();
    QSlider *slider(Group group) const;
    bool isAuto() const;
    static void showDuty(QLabel *label, int duty);

    friend class MainWindowProbe;

    Ui::MainWindow *m_form;
    QTimer *m_autoTimer;
    QObject *m_driver = nullptr;
    bool m_canHibernate = false;
    std::array<FanDutyProcessor, 2> m_processors;
    FanDutyProcessor *m_active = nullptr;
    CpuLoadSampler m_cpuLoadSampler;
    HwmonReader m_hwmonReader;
    CoolingControl m_cooling;
    bool m_seesStalls = false;
    /// In fan order: labelFan1, labelFan4 (G1), labelFan2, labelFan3 (G2).
    std::array<QPropertyAnimation, 4> m_bladeAnimations;
    FanBladeSpinner m_bladeSpinner;
};
