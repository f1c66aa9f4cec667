// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

#include <optional>

/// One corvane-ctl command line, checked and taken apart.
struct CtlCommand final
{
    enum class Kind {
        Status, List, Monitor, Fan, Mode, Dust, LedPower, LedSolid, LedBreathe, LedCycle, LedUpload,
        AutoRun, Hibernate, Save, Show, Sensors, Curve, Help,
    };

    Kind kind = Kind::Help;
    bool json = false;
    /// How long to wait for a controller that another process has open.
    int waitMs = 3000;
    /// "G1" or "G2" for fan and curve; "fan" or "led" for autorun and hibernate.
    QString target;
    /// "manual" or "auto" for mode; the absolute file path for led upload; the source for curve (empty: show).
    QString text;
    /// The curve's points for curve: "default" or value:level,…
    QString points;
    /// The level for fan, the colour (0 to 13) for led solid and breathe.
    int number = 0;
    /// on or off, for led, autorun and hibernate.
    bool on = false;

    /**
     * Parses the arguments after the program name. On a mistake returns
     * nothing and sets @p error to what was wrong.
     */
    static std::optional<CtlCommand> parse(const QStringList &arguments, QString *error);

    /// The usage line (no trailing newline).
    static QString usage();
    /// The usage and one line per command, for --help.
    static QString help();
};
