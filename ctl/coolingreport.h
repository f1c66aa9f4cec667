// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>
#include <QVector>

#include <optional>

/// What corvane-ctl tells about the cooling: the sources with their values, and a group's curve.
struct CoolingReport final
{
    struct Sensor
    {
        QString id;
        QString name;
        QString unit;                 ///< "%" or "°C"
        std::optional<double> value;  ///< empty: no reading
    };

    struct Curve
    {
        QString source;
        QString points;   ///< "default" or value:level,…
    };

    /// One JSON array of {id, name, unit, value}, value null without a reading; ends in a newline.
    static QByteArray sensorsJson(const QVector<Sensor> &sensors);
    /// One aligned line a sensor for a person.
    static QString sensorsTable(const QVector<Sensor> &sensors);
    /// "SOURCE POINTS" on one line, as "curve G1 SOURCE POINTS" takes them.
    static QString curveLine(const Curve &curve);
};
