// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

/// The LED laws built into the program and corvane-ctl, as resource paths the driver uploads.
namespace LedLawFiles {

/// Solid colour @p colour (0 to 13).
inline QString solid(int colour)
{
    return QStringLiteral(":/res/ledfiles/cns%1.adl").arg(colour);
}

/// Breathing colour @p colour (0 to 13).
inline QString breathing(int colour)
{
    return QStringLiteral(":/res/ledfiles/brt%1.adl").arg(colour);
}

inline QString cycle()
{
    return QStringLiteral(":/res/ledfiles/cyc.adl");
}

} // namespace LedLawFiles
