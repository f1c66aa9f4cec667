// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "deviceidentity.h"
#include "fandutyprocessor.h"
#include "ledlawsnapshot.h"
#include "ruleverdict.h"

#include <QObject>
#include <QPointer>
#include <QVariant>

#include <array>
#include <memory>

/**
 * What a user can do with an opened controller, whichever front end asks:
 * the window's panels (which show this state and call it), the D-Bus service
 * and corvane-ctl-direct. Each action either happens whole or is refused with
 * a RuleVerdict whose reason is the text the user reads; nothing is sent to
 * the controller on a refusal.
 *
 * It holds the two fan duty processors (one per duty table family of the
 * global configuration) and serves the connected controller with the one its
 * identity calls for; the fan mode and "Change Boost"; the fans' and the
 * LEDs' auto-run and hibernate options, the last gated by the firmware; the
 * LED power and the effect last played. The driver object is reached by name
 * only. The mode and the "Change Boost" preference outlive a controller.
 */
class ControllerRules final : public QObject
{
    Q_OBJECT

public:
    static constexpr int ColourCount = 14;

    enum class Mode { Manual, Auto };
    enum class Group { G1, G2 };
    enum class Part { Fan, Led };
    enum class Option { AutoRun, Hibernate };
    /// What was last played: an effect's built-in law, or None (an uploaded law, or nothing yet).
    enum class Effect { None, Solid, Breathe, Cycle };
    /**
     * Who keeps the rules. The panel runs on: the AUTO mode and the dust
     * cycle are its own, and its calls reach the driver queued, after the
     * user's event. A one-shot command ends after one action: it has neither,
     * and its calls reach the driver at once.
     */
    enum class Keeper { Panel, OneShot };

    explicit ControllerRules(Keeper keeper, QObject *parent = nullptr);

    /// 0: the processor of the "Fireware1" tables, 1: of the "Fireware2" ones.
    FanDutyProcessor &dutyProcessor(int index) { return m_processors[std::size_t(index)]; }
    /// Fills both processors' duty tables from the verified global configuration.
    void configure(const QVariant &globalConfig);

    /// Serves the controller whose driver is @p driver; its options and LED power are read from it.
    void attach(QObject *driver);
    /// Forgets the controller; its driver is not called any more.
    void detach();

    QObject *driver() const { return m_driver; }
    bool isConnected() const { return m_driver != nullptr; }
    /// Who the connected controller is; all zero while none is connected.
    const DeviceIdentity &identity() const { return m_identity; }

    /// MAN or AUTO; AUTO again restarts it at the top level.
    RuleVerdict setMode(Mode mode);
    /// In MAN, moves @p group to @p level (0 to maxLevel()).
    RuleVerdict setGroupLevel(Group group, int level);
    /// Starts the 13 s dust-clearing cycle; the levels stay as they are.
    RuleVerdict runDust();
    /// AUTO's step: G1 to @p g1Level and G2 to @p g2Level, as their curves ask; -1 leaves a group alone.
    void followLevels(int g1Level, int g2Level);
    /// The controller's own options, for the fans or the LEDs; hibernate is refused by the first firmware.
    RuleVerdict setOption(Part part, Option option, bool on);
    /// Switches the LED strip; effects can be played only while it is on.
    RuleVerdict setLedPower(bool on);
    /// Plays solid colour @p colour (0 to 13).
    RuleVerdict setSolidColour(int colour);
    /// Plays breathing colour @p colour (0 to 13).
    RuleVerdict setBreathingColour(int colour);
    RuleVerdict setColourCycle();
    /**
     * Reads the LED law at @p path once, as it is now, and sends it as the
     * effects are sent. A file the driver would not upload is refused here.
     */
    RuleVerdict uploadLedLaw(const QString &path);
    /// Asks the controller to store the settings it runs now.
    RuleVerdict save();
    /// Refuses, for a one-shot command, @p what only the panel keeps (the mode, the dust cycle, the window).
    RuleVerdict needsPanel(const QString &what) const;

    Mode mode() const { return m_mode; }
    /// True while a dust cycle runs that no level change has cut short.
    bool isDusting() const;
    bool boost() const { return m_boost; }
    /// The group's level; 0 while no controller is connected.
    int groupLevel(Group group) const;
    /// The group's top level in the duty tables that serve the controller.
    int maxLevel(Group group) const;
    /// G1's top level: where AUTO starts and what boost runs at; -1 before a controller was served.
    int topLevel() const;
    /// The processor that serves the controller; null before the first one.
    FanDutyProcessor *activeProcessor() const { return m_active; }
    bool canHibernate() const { return m_identity.canHibernate(); }
    bool option(Part part, Option option) const;
    bool ledPower() const { return m_ledPower; }
    Effect effect() const { return m_effect; }
    /// The colour of the solid or breathing effect; -1 for the others.
    int colour() const { return m_colour; }

public slots:
    /// "Change Boost": one second at the top level before each level change. A preference.
    void setBoost(bool on);

signals:
    void attached();
    void detached();
    void modeChanged(ControllerRules::Mode mode);
    /// Levels were scheduled: G1 to @p g1Level, G2 to @p g2Level; -1 leaves a group alone.
    void levelsApplied(int g1Level, int g2Level);
    void boostChanged(bool on);
    void optionChanged(ControllerRules::Part part, ControllerRules::Option option, bool on);
    void ledPowerChanged(bool on);
    /// An effect was played; the preview follows it.
    void effectPlayed(ControllerRules::Effect effect, int colour);

private:
    RuleVerdict needsController() const;
    RuleVerdict needsLedsOn() const;
    static RuleVerdict checkColour(int colour);
    RuleVerdict playEffect(Effect effect, int colour);
    /**
     * Every level change goes through here: G1 and/or G2 (a negative level
     * leaves the group alone) through the active processor, with one second
     * at the top level first when "Change Boost" is on. Nothing happens
     * unless G1 changes or, failing that, G2 does.
     */
    void control_fans(int g1Level, int g2Level);
    bool levelsChange(int g1Level, int g2Level) const;
    void scheduleGroup(int firstFan, int level);
    void sendLaw(const QString &path);
    void callDriver(const char *slot, QGenericArgument argument = QGenericArgument());

    Keeper m_keeper;
    QPointer<QObject> m_driver;
    DeviceIdentity m_identity;
    std::array<FanDutyProcessor, 2> m_processors;
    FanDutyProcessor *m_active = nullptr;
    Mode m_mode = Mode::Manual;
    bool m_boost = false;
    /// Indexed [Part][Option].
    std::array<std::array<bool, 2>, 2> m_options{};
    bool m_ledPower = false;
    Effect m_effect = Effect::None;
    int m_colour = -1;
    std::unique_ptr<LedLawSnapshot> m_uploadedLaw;
};
