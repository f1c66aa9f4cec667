// SPDX-License-Identifier: GPL-3.0-or-later
#include "autocooling.h"

#include "alarmboard.h"

AutoCooling::AutoCooling(SourceList &sources, AlarmBoard &alarms)
    : m_sources(sources),
      m_alarms(alarms)
{
}

void AutoCooling::setChoice(int group, const CoolingChoice &choice)
{
    CoolingChoice &current = m_choices.at(std::size_t(group));
    if (choice == current)
        return;
    current = choice;
    m_curveLevels.at(std::size_t(group)).reset();
    // An alarm about a source no longer followed says nothing any more.
    m_alarms.clear(CoolingAlarm::sourceLost(group, QString()).id());
}

const CoolingChoice &AutoCooling::choice(int group) const
{
    return m_choices.at(std::size_t(group));
}

FanCurve AutoCooling::curveFor(int group, const TopLevels &tops) const
{
    return choice(group).curve(curveTop(group, tops));
}

int AutoCooling::levelFor(int group, double value, const TopLevels &tops) const
{
    return curveFor(group, tops).levelAt(value, curveTop(group, tops));
}

AutoCooling::Levels AutoCooling::tick(const TopLevels &tops)
{
    m_lastReadings = m_sources.sample({m_choices[0].source(), m_choices[1].source()});
    Levels levels;
    for (int group = 0; group < Groups; ++group)
        levels[std::size_t(group)] = groupLevel(group, m_lastReadings.value(choice(group).source()), tops);
    return levels;
}

std::optional<int> AutoCooling::groupLevel(int group, const SourceList::Reading &reading, const TopLevels &tops)
{
    std::optional<int> &curveLevel = m_curveLevels[std::size_t(group)];
    switch (reading.status) {
    case SourceList::Reading::Status::NotYet:
        return std::nullopt;
    case SourceList::Reading::Status::Unreadable:
        curveLevel.reset();
        sourceLost(group);
        // The group's own top: G1's could lie past the end of a shorter G2 table, which stops the fans.
        return tops[std::size_t(group)];
    case SourceList::Reading::Status::Value:
        break;
    }
    sourceRead(group);
    const int top = curveTop(group, tops);
    curveLevel = choice(group).curve(top).levelFrom(reading.value, curveLevel, top);
    return curveLevel;
}

// AUTO has always taken G1's top level for both groups; the default CPU
// curve keeps that, the user's curves end at their own group's top.
int AutoCooling::curveTop(int group, const TopLevels &tops) const
{
    const CoolingChoice &groupChoice = choice(group);
    const bool asAutoAlwaysDid =
        groupChoice.hasDefaultCurve() && SourceList::unitOf(groupChoice.source()) == SourceList::Unit::Percent;
    return asAutoAlwaysDid ? tops[0] : tops[std::size_t(group)];
}

// Naming the source scans the hwmon class; a standing alarm has its name already.
void AutoCooling::sourceLost(int group)
{
    if (!m_alarms.isStanding(CoolingAlarm::sourceLost(group, QString()).id()))
        m_alarms.raise(CoolingAlarm::sourceLost(group, m_sources.nameOf(choice(group).source())));
}

void AutoCooling::sourceRead(int group)
{
    m_alarms.clear(CoolingAlarm::sourceLost(group, QString()).id());
}

void AutoCooling::restart()
{
    m_curveLevels = {};
}

void AutoCooling::stop()
{
    m_curveLevels = {};
    m_alarms.clearWhere([](const CoolingAlarm &alarm) { return alarm.kind == CoolingAlarm::Kind::SourceLost; });
}
