// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "corvaneledlaw.h"

#include <QByteArray>
#include <QByteArrayList>
#include <QtGlobal>

/// Builds MessagePack bytes for test inputs, in chosen (not only shortest) encodings.
namespace MsgPackBuilder {

/// @p header followed by @p value big-endian in @p size bytes.
inline QByteArray sized(quint8 header, quint64 value, int size)
{
    QByteArray out(1, char(header));
    for (int i = size - 1; i >= 0; --i)
        out.append(char((value >> (8 * i)) & 0xff));
    return out;
}

inline QByteArray uinteger(quint64 value)
{
    if (value <= 0x7f)
        return QByteArray(1, char(value));
    if (value <= 0xff)
        return sized(0xcc, value, 1);
    if (value <= 0xffff)
        return sized(0xcd, value, 2);
    if (value <= 0xffffffffu)
        return sized(0xce, value, 4);
    return sized(0xcf, value, 8);
}

inline QByteArray str(const QByteArray &text)
{
    const QByteArray header = text.size() < 32 ? QByteArray(1, char(0xa0 | text.size()))
                                               : sized(0xda, quint64(text.size()), 2);
    return header + text;
}

inline QByteArray map(int entries)
{
    return entries < 16 ? QByteArray(1, char(0x80 | entries)) : sized(0xde, quint64(entries), 2);
}

inline QByteArray array(int elements)
{
    return elements < 16 ? QByteArray(1, char(0x90 | elements)) : sized(0xdc, quint64(elements), 2);
}

/// An array of @p steps as unsigned integers in their shortest forms.
inline QByteArray channel(const QByteArray &steps)
{
    QByteArray out = array(steps.size());
    for (const char step : steps)
        out += uinteger(quint8(step));
    return out;
}

/// One map entry with a string key.
inline QByteArray entry(const QByteArray &key, const QByteArray &value)
{
    return str(key) + value;
}

/// The five entries of @p law in file order: interval, count, CH1, CH2, CH3.
inline QByteArrayList lawEntries(const CorvaneLEDLaw &law)
{
    return {entry("LED_IntervalTimeMS", uinteger(law.intervalTimeMS)), entry("LED_LawCount", uinteger(law.lawCount)),
            entry("CH1", channel(law.CH1)), entry("CH2", channel(law.CH2)), entry("CH3", channel(law.CH3))};
}

/// A map of @p entries.
inline QByteArray document(const QByteArrayList &entries)
{
    return map(entries.size()) + entries.join();
}

} // namespace MsgPackBuilder
