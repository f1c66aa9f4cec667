// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "hwmonreader.h"

#include <QHash>
#include <QString>
#include <QVector>

#include <optional>

class CpuLoadInput;

/**
 * The sources a fan group can follow: the CPU load everywhere, and where the
 * machine has them, the hwmon temperature inputs. A source is named by a
 * stable id: "cpu" or an hwmon id ("hwmon:k10temp/Tctl").
 */
class SourceList final
{
public:
    enum class Unit { Percent, Celsius };

    struct Reading
    {
        enum class Status {
            Value,        ///< value holds the reading
            NotYet,       ///< nothing to act on this time (the CPU sampler primes); not a fault
            Unreadable,   ///< gone, a read error, or a temperature no sensor can mean
        };
        Status status = Status::NotYet;
        double value = 0.0;
    };

    struct Source
    {
        QString id;
        QString name;
        Unit unit = Unit::Percent;
    };

    static constexpr const char *CpuLoadId = "cpu";
    static constexpr double LowestCelsius = -40.0;
    static constexpr double HighestCelsius = 150.0;

    /**
     * @p cpuLoad and @p hwmon must outlive the list. Without @p hwmon only
     * the CPU load is offered.
     */
    SourceList(CpuLoadInput &cpuLoad, HwmonReader *hwmon);

    /**
     * Whether this platform has temperature inputs a program can read: not
     * Windows, which has no temperature interface without a kernel driver of
     * its own.
     */
    static constexpr bool platformOffersTemperatures()
    {
#ifdef Q_OS_WIN
        return false;
#else
        return true;
#endif
    }

    bool offersTemperatures() const { return m_hwmon != nullptr; }
    /// The CPU load first, then every temperature input present now.
    QVector<Source> sources() const;
    static Unit unitOf(const QString &id);
    /// The source's name, also once it went away; its id for one never seen.
    QString nameOf(const QString &id);

    /**
     * One AUTO tick: reads each source in @p ids once (the CPU sampler takes
     * one step if "cpu" is among them).
     */
    QHash<QString, Reading> sample(const QVector<QString> &ids);
    /// A temperature input now, outside any tick.
    Reading readTemperature(const QString &id);
    /// The CPU load the last tick measured, if one has.
    std::optional<int> lastCpuPercent() const { return m_lastCpuPercent; }

private:
    Reading readCpuLoad();
    std::optional<QString> pathOf(const QString &id);
    static QString cpuLoadName();

    CpuLoadInput &m_cpuLoad;
    HwmonReader *m_hwmon;
    /// Paths found so far, so a tick does not scan the hwmon class each time.
    QHash<QString, QString> m_paths;
    /// Names of the inputs seen so far, so that a lost one is still named.
    QHash<QString, QString> m_names;
    std::optional<int> m_lastCpuPercent;
};
