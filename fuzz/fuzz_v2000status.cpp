// SPDX-License-Identifier: GPL-3.0-or-later
// The v2000 status report, as the probe and the property updates read it.
#include "corvanehidprotocolv2000.h"
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
    CorvaneHIDProtocolv2000 protocol;
    replayReports(protocol, CorvaneSim::Protocol::V2000, data, size);
    return 0;
}
