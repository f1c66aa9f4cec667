// SPDX-License-Identifier: GPL-3.0-or-later
// The v1100 identity, power, fan and LED reports, as the probe and the
// property updates read them.
#include "corvanehidprotocolv1100.h"
#include "quietlogging.h"
#include "replayreports.h"

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    silenceLogging();
    keepClaimsInMemory();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    CorvaneHIDProtocolv1100 protocol;
    replayReports(protocol, CorvaneSim::Protocol::V1100, data, size);
    return 0;
}
