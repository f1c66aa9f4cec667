// SPDX-License-Identifier: GPL-3.0-or-later
#include "ledlawcatalog.h"

namespace {

struct Colour
{
    quint8 red, green, blue;
};

constexpr Colour Palette[LEDLawCatalog::ColourCount] = {
    {0, 255, 0},     {170, 255, 0},   {255, 180, 0},   {255, 100, 0},  {255, 0, 0},
    {255, 0, 255},   {255, 0, 110},   {255, 80, 80},   {255, 255, 255}, {140, 240, 230},
    {90, 255, 170},  {0, 255, 255},   {0, 130, 255},   {0, 0, 255},
};

// Brightness of one breath: a rise over 20 steps and a fall over 40; the
// four steps after it up to the law's count of 64 stay dark.
constexpr quint8 BreathingCurve[] = {
    0,   1,   3,   7,   12,  19,  27,  36,  46,  58,  70,  84,  99,  114, 131,
    149, 168, 188, 209, 231, 255, 254, 252, 250, 247, 244, 240, 236, 232, 228,
    223, 218, 213, 208, 202, 197, 191, 184, 178, 172, 165, 158, 151, 144, 137,
    129, 121, 114, 106, 98,  89,  81,  73,  64,  55,  46,  37,  28,  19,  10,
};

constexpr int BreathingCurveLength = int(sizeof BreathingCurve);
// A solid law fills one step more than it plays.
constexpr int SolidSteps = 3;

void setStep(CorvaneLEDLaw *law, int step, const Colour &colour)
{
    law->CH1[step] = char(colour.red);
    law->CH2[step] = char(colour.green);
    law->CH3[step] = char(colour.blue);
}

// floor(value * brightness / 255 + 0.5), in integers.
quint8 dimmed(quint8 value, quint8 brightness)
{
    return quint8((2 * value * brightness + 255) / 510);
}

} // namespace

std::vector<std::pair<QString, CorvaneLEDLaw>> LEDLawCatalog::laws()
{
    std::vector<std::pair<QString, CorvaneLEDLaw>> all;
    for (int colour = 0; colour < ColourCount; ++colour)
        all.emplace_back(QStringLiteral("cns%1").arg(colour), solid(colour));
    for (int colour = 0; colour < ColourCount; ++colour)
        all.emplace_back(QStringLiteral("brt%1").arg(colour), breathing(colour));
    all.emplace_back(QStringLiteral("cyc"), cycle());
    return all;
}

CorvaneLEDLaw LEDLawCatalog::solid(int colour)
{
    CorvaneLEDLaw law;
    law.intervalTimeMS = 1000;
    law.lawCount = 2;
    for (int step = 0; step < SolidSteps; ++step)
        setStep(&law, step, Palette[colour]);
    return law;
}

CorvaneLEDLaw LEDLawCatalog::breathing(int colour)
{
    CorvaneLEDLaw law;
    law.intervalTimeMS = 50;
    law.lawCount = 64;
    const Colour &full = Palette[colour];
    for (int step = 0; step < BreathingCurveLength; ++step) {
        const quint8 brightness = BreathingCurve[step];
        setStep(&law, step,
                {dimmed(full.red, brightness), dimmed(full.green, brightness), dimmed(full.blue, brightness)});
    }
    return law;
}

CorvaneLEDLaw LEDLawCatalog::cycle()
{
    CorvaneLEDLaw law;
    law.intervalTimeMS = 50;
    law.lawCount = ColourCount;
    for (int colour = 0; colour < ColourCount; ++colour)
        setStep(&law, colour, Palette[colour]);
    return law;
}
