// SPDX-License-Identifier: GPL-3.0-or-later
// LED law files. Whatever the bytes, a law keeps three full channel tables,
// which the protocols upload without checking again.
#include "corvaneledlawreader.h"
#include "quietlogging.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    silenceLogging();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    CorvaneLEDLaw law;
    CorvaneLEDLawReader::read(QByteArray::fromRawData(reinterpret_cast<const char *>(data), int(size)), &law);
    for (const QByteArray &channel : law.channels()) {
        if (channel.size() != CorvaneLEDLaw::StepCount)
            __builtin_trap();
    }
    return 0;
}
