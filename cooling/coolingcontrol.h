// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "alarmboard.h"
#include "autocooling.h"
#include "sourcelist.h"
#include "stalldetector.h"

#include <QObject>
#include <QSettings>

#include <functional>
#include <memory>

/**
 * Everything about AUTO's cooling that a user may see and change, for every
 * front end alike (the window's page, the D-Bus service, corvane-ctl-direct):
 * which source and curve each group follows, the sources with their values,
 * and the alarms; plus what the panel feeds in (the AUTO ticks, the
 * controller's polls).
 *
 * Choices are stored in the user's settings as soon as they are made.
 */
class CoolingControl final : public QObject
{
    Q_OBJECT

public:
    using SettingsOpener = std::function<std::unique_ptr<QSettings>()>;

    /// A source with its value now, if it has one.
    struct SourceValue
    {
        SourceList::Source source;
        std::optional<double> value;
    };

    /**
     * @p cpuLoad and @p hwmon must outlive this; without @p hwmon only the
     * CPU load is offered. The groups' choices are loaded through @p settings.
     */
    CoolingControl(CpuLoadInput &cpuLoad, HwmonReader *hwmon, SettingsOpener settings,
                   QObject *parent = nullptr);

    /// "G1" → 0, "G2" → 1; nothing otherwise.
    static std::optional<int> groupNamed(const QString &name);

    bool offersTemperatures() const { return m_sources.offersTemperatures(); }
    /// Each source with its value now; the CPU load's is the last AUTO tick's.
    QVector<SourceValue> sourceValues();
    /// The value of the source @p id now, if it has one; the CPU load's is the last AUTO tick's.
    std::optional<double> currentValue(const QString &id);
    const CoolingChoice &choice(int group) const { return m_auto.choice(group); }
    /// The curve @p group follows at the top levels @p tops, its default one resolved.
    FanCurve curveFor(int group, const AutoCooling::TopLevels &tops) const { return m_auto.curveFor(group, tops); }
    /// The level @p group's curve gives for @p value at the top levels @p tops (for the page's live view).
    int levelFor(int group, double value, const AutoCooling::TopLevels &tops) const;

    /**
     * Lets @p group follow @p source through @p curveText ("default" or
     * points as "40:2,60:5,75:9"). Returns an empty text, or why it is
     * refused (translated): a source this machine does not offer now, or
     * points that make no curve.
     */
    QString setCurve(int group, const QString &source, const QString &curveText);
    /// Back to what the group follows unless told otherwise: the CPU load, its default curve.
    void resetToDefault(int group);

    AlarmBoard &alarms() { return m_alarms; }
    const AlarmBoard &alarms() const { return m_alarms; }

    /// One AUTO tick; see AutoCooling::tick().
    AutoCooling::Levels tick(const AutoCooling::TopLevels &tops) { return m_auto.tick(tops); }
    /// The CPU load in percent the last tick measured, if it measured one.
    std::optional<int> cpuPercentOfLastTick() const;
    void autoStarted() { m_auto.restart(); }
    void autoStopped() { m_auto.stop(); }
    /// One poll of a controller that reports fan speeds.
    void fanPolled(int fan, int dutyPercent, int rpm);
    /// The controller went: its fans can no longer be seen.
    void controllerGone();

signals:
    void choiceChanged(int group);

private:
    void apply(int group, const CoolingChoice &choice);
    bool offersSource(const QString &id);
    SourceValue valueOf(const SourceList::Source &source);

    SettingsOpener m_settings;
    SourceList m_sources;
    AlarmBoard m_alarms;
    AutoCooling m_auto;
    StallDetector m_stalls;
};
