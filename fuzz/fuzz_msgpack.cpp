// SPDX-License-Identifier: GPL-3.0-or-later
// MessagePack as the global configuration arrives: decoded, then applied to
// the two fan duty processors.
#include "fandutyprocessor.h"
#include "globalconfig.h"
#include "msgpack.h"
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
    const QVariant document = MsgPack::unpack(QByteArray::fromRawData(reinterpret_cast<const char *>(data), int(size)));
    FanDutyProcessor fireware1;
    FanDutyProcessor fireware2;
    applyGlobalConfig(document, fireware1, fireware2);
    return 0;
}
