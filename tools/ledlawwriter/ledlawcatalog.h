// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "corvaneledlaw.h"

#include <QString>

#include <utility>
#include <vector>

/**
 * The LED laws the program ships: 14 solid colours ("cns0" to "cns13"),
 * the same 14 colours breathing ("brt0" to "brt13") and one cycle through
 * all of them ("cyc").
 */
class LEDLawCatalog final
{
public:
    static constexpr int ColourCount = 14;

    /// Every shipped law with its file's base name.
    static std::vector<std::pair<QString, CorvaneLEDLaw>> laws();

    static CorvaneLEDLaw solid(int colour);
    static CorvaneLEDLaw breathing(int colour);
    static CorvaneLEDLaw cycle();
};
