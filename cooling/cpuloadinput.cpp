// SPDX-License-Identifier: GPL-3.0-or-later
#include "cpuloadinput.h"

namespace {

class NoCpuLoad final : public CpuLoadInput
{
public:
    std::optional<int> samplePercent() override { return std::nullopt; }
};

} // namespace

CpuLoadInput &CpuLoadInput::none()
{
    static NoCpuLoad input;
    return input;
}
