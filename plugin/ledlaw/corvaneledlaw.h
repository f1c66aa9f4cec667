// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QVector>
#include <QtGlobal>

/**
 * One LED light programme: the controller plays steps 0 to lawCount - 1 of
 * the three channel tables, one step every intervalTimeMS, and repeats.
 */
struct CorvaneLEDLaw
{
    static constexpr int StepCount = 256;

    quint16 intervalTimeMS = 0;
    quint16 lawCount = 0;
    QByteArray CH1 = QByteArray(StepCount, '\0');   ///< red
    QByteArray CH2 = QByteArray(StepCount, '\0');   ///< green
    QByteArray CH3 = QByteArray(StepCount, '\0');   ///< blue

    /// The channels in upload order, as the protocols take them.
    QVector<QByteArray> channels() const { return {CH1, CH2, CH3}; }
};
