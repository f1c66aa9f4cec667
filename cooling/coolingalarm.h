// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

/// Something about the cooling the user must know: a lost source or a stopped fan.
struct CoolingAlarm
{
    enum class Kind {
        SourceLost,   ///< a group's source cannot be read; the group runs at its top level
        FanStalled,   ///< a fan reports 0 rpm at a duty where it must turn
    };

    Kind kind = Kind::SourceLost;
    /// The group (0: G1, 1: G2) for SourceLost, the fan (0 to 3) for FanStalled.
    int subject = 0;
    /// SourceLost: the name of the source.
    QString source;

    static CoolingAlarm sourceLost(int group, const QString &source);
    static CoolingAlarm fanStalled(int fan);

    /// Stable and untranslated: "source-lost:G1", "fan-stalled:fan2".
    QString id() const;
    /// One translated sentence for the tray and the window.
    QString text() const;
};
