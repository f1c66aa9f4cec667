// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "corvaneledlaw.h"

#include <QByteArray>

/**
 * Writes an LED law as an ".adl" file: a MessagePack map of the interval,
 * the count and the three channels, in that order, each value in its
 * shortest encoding and each channel as a 16-bit-length array of 256.
 */
class LEDLawEncoder final
{
public:
    static QByteArray encode(const CorvaneLEDLaw &law);

private:
    static void appendKey(QByteArray *out, const char *name);
    static void appendUnsigned(QByteArray *out, quint16 value);
    static void appendChannel(QByteArray *out, const QByteArray &channel);
};
