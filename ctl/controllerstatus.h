// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QJsonObject>
#include <QString>
#include <QStringList>

#include <array>
#include <optional>

/**
 * What corvane-ctl tells about the controller, from the panel or read from
 * the driver directly. Values only the panel knows (the fan mode and the
 * group levels, which LED effect it played) are empty when read directly.
 */
struct ControllerStatus final
{
    struct Fan {
        int duty = 0;
        std::optional<int> rpm;   ///< empty without tachometers
    };

    bool connected = false;
    QString source;   ///< "panel" or "direct"
    QString path;
    QString protocol;
    QString model;
    QString firmware;
    QString serial;
    double adapterVolts = 0;
    std::array<Fan, 4> fans;
    std::optional<QString> mode;
    std::optional<std::array<int, 2>> levels;
    bool ledPower = false;
    std::optional<QString> ledEffect;
    std::optional<int> ledColour;   ///< -1 for none; empty when unknown
    bool ledAutoRun = false;
    bool ledHibernate = false;
    bool fanAutoRun = false;
    bool fanHibernate = false;
    /// The panel's standing cooling alarms ("fan-stalled:fan2", "source-lost:G1"); empty when read directly.
    std::optional<QStringList> alarms;

    /// The stable scripting form: the keys documented in corvane-ctl(1).
    QJsonObject toJson() const;
    /// A short aligned table for a person, one line a fact, ending in a newline.
    QString toTable() const;
    /// The same on one line, for a monitor (no newline).
    QString toLine() const;

    bool operator==(const ControllerStatus &other) const;
    bool operator!=(const ControllerStatus &other) const { return !(*this == other); }
};
