// SPDX-License-Identifier: GPL-3.0-or-later
#include "ledlawencoder.h"

#include <cstring>

QByteArray LEDLawEncoder::encode(const CorvaneLEDLaw &law)
{
    QByteArray out;
    out.append(char(0x85));   // fixmap of 5
    appendKey(&out, "LED_IntervalTimeMS");
    appendUnsigned(&out, law.intervalTimeMS);
    appendKey(&out, "LED_LawCount");
    appendUnsigned(&out, law.lawCount);
    appendKey(&out, "CH1");
    appendChannel(&out, law.CH1);
    appendKey(&out, "CH2");
    appendChannel(&out, law.CH2);
    appendKey(&out, "CH3");
    appendChannel(&out, law.CH3);
    return out;
}

void LEDLawEncoder::appendKey(QByteArray *out, const char *name)
{
    const size_t length = std::strlen(name);   // all keys fit a fixstr
    out->append(char(0xa0 | length));
    out->append(name, int(length));
}

void LEDLawEncoder::appendUnsigned(QByteArray *out, quint16 value)
{
    if (value > 0xff) {
        out->append(char(0xcd));
        out->append(char(value >> 8));
    } else if (value > 0x7f) {
        out->append(char(0xcc));
    }
    out->append(char(value & 0xff));
}

void LEDLawEncoder::appendChannel(QByteArray *out, const QByteArray &channel)
{
    out->append("\xdc\x01\x00", 3);   // array 16 of 256
    for (const char step : channel)
        appendUnsigned(out, quint8(step));
}
