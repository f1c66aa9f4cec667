// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QVector>

#include <optional>

/**
 * The temperature inputs of the kernel's hwmon class
 * (<root>/class/hwmon/hwmonN/tempM_input, in millidegrees Celsius).
 *
 * An input is named by its device's "name" and its own "temp*_label" (the
 * file stem, "temp1", where it has no label), for example "k10temp Tctl".
 * Its id, "hwmon:k10temp/Tctl", leaves out the hwmonN number, which the
 * kernel hands out anew at each boot; where several devices give the same
 * name and label (two NVMe drives), the later ones in the order of their
 * resolved device paths get "#2", "#3", … appended, which stays the same as
 * long as the hardware does.
 */
class HwmonReader final
{
public:
    struct Input
    {
        QString id;        ///< "hwmon:k10temp/Tctl"
        QString name;      ///< "k10temp Tctl"
        QString path;      ///< the temp*_input file
    };

    /// @p sysfsRoot is "/sys" on a real machine; tests give a tree of their own.
    explicit HwmonReader(QString sysfsRoot = QStringLiteral("/sys"));

    /// Every temperature input present now, ordered by id.
    QVector<Input> inputs() const;
    /// The input with @p id now present, if any.
    std::optional<Input> find(const QString &id) const;
    /// The temperature in °C of the input at @p path; nothing when it cannot be read.
    static std::optional<double> readCelsius(const QString &path);

private:
    struct Found
    {
        QString baseId;
        QString name;
        QString path;
        QString deviceKey;
    };

    QVector<Found> scan() const;
    static void scanDevice(const QString &hwmonDir, QVector<Found> &found);
    static QVector<Input> withUniqueIds(QVector<Found> found);

    QString m_root;
};
