// SPDX-License-Identifier: GPL-3.0-or-later
#include "corvaneledlawreader.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <iterator>

namespace {

enum Key { IntervalTimeMS, LawCount, Channel1, Channel2, Channel3, KeyCount, UnknownKey = -1 };

constexpr const char *KeyNames[KeyCount] = {"LED_IntervalTimeMS", "LED_LawCount", "CH1", "CH2", "CH3"};

// A law has five entries; anything much larger is not a law file.
constexpr quint32 MaxMapEntries = 100;

// How to step over a value whose first byte lies in 0xc0..0xdf.
struct Format
{
    enum Kind { Fixed, Sized, Array, Map, Invalid };
    Kind kind;
    quint8 size;    // Fixed: bytes that follow; Sized, Array, Map: bytes of the length field
    quint8 extra;   // Sized: bytes between the length field and the data (an ext's type)
};

constexpr Format ExtendedFormats[32] = {
    {Format::Fixed, 0, 0},   // c0 nil
    {Format::Invalid, 0, 0}, // c1 never used
    {Format::Fixed, 0, 0},   // c2 false
    {Format::Fixed, 0, 0},   // c3 true
    {Format::Sized, 1, 0},   // c4 bin 8
    {Format::Sized, 2, 0},   // c5 bin 16
    {Format::Sized, 4, 0},   // c6 bin 32
    {Format::Sized, 1, 1},   // c7 ext 8
    {Format::Sized, 2, 1},   // c8 ext 16
    {Format::Sized, 4, 1},   // c9 ext 32
    {Format::Fixed, 4, 0},   // ca float 32
    {Format::Fixed, 8, 0},   // cb float 64
    {Format::Fixed, 1, 0},   // cc uint 8
    {Format::Fixed, 2, 0},   // cd uint 16
    {Format::Fixed, 4, 0},   // ce uint 32
    {Format::Fixed, 8, 0},   // cf uint 64
    {Format::Fixed, 1, 0},   // d0 int 8
    {Format::Fixed, 2, 0},   // d1 int 16
    {Format::Fixed, 4, 0},   // d2 int 32
    {Format::Fixed, 8, 0},   // d3 int 64
    {Format::Fixed, 2, 0},   // d4 fixext 1
    {Format::Fixed, 3, 0},   // d5 fixext 2
    {Format::Fixed, 5, 0},   // d6 fixext 4
    {Format::Fixed, 9, 0},   // d7 fixext 8
    {Format::Fixed, 17, 0},  // d8 fixext 16
    {Format::Sized, 1, 0},   // d9 str 8
    {Format::Sized, 2, 0},   // da str 16
    {Format::Sized, 4, 0},   // db str 32
    {Format::Array, 2, 0},   // dc array 16
    {Format::Array, 4, 0},   // dd array 32
    {Format::Map, 2, 0},     // de map 16
    {Format::Map, 4, 0},     // df map 32
};

} // namespace

CorvaneLEDLawReader::CorvaneLEDLawReader(const QByteArray &bytes)
    : m_bytes(bytes)
{
}

bool CorvaneLEDLawReader::read(const QByteArray &bytes, CorvaneLEDLaw *law)
{
    *law = CorvaneLEDLaw();
    CorvaneLEDLawReader reader(bytes);
    bool found[KeyCount] = {};
    const quint32 entries = reader.readMapHeader();
    for (quint32 i = 0; i < entries && !reader.m_error; ++i) {
        const int key = reader.readKey();
        if (key == UnknownKey) {
            reader.skipValues(1);
            continue;
        }
        if (found[key]) {
            reader.fail();
            break;
        }
        found[key] = true;
        reader.readValueOf(key, law);
    }
    return std::all_of(std::begin(found), std::end(found), [](bool f) { return f; });
}

int CorvaneLEDLawReader::readKey()
{
    quint32 length = 0;
    if (!readStringHeader(&length)) {
        skipValues(1);
        return UnknownKey;
    }
    if (length > quint32(m_bytes.size() - m_pos)) {
        fail();
        return UnknownKey;
    }
    const QByteArray name = QByteArray::fromRawData(m_bytes.constData() + m_pos, int(length));
    m_pos += int(length);
    const auto known = std::find(std::begin(KeyNames), std::end(KeyNames), name);
    return known == std::end(KeyNames) ? UnknownKey : int(known - std::begin(KeyNames));
}

void CorvaneLEDLawReader::readValueOf(int key, CorvaneLEDLaw *law)
{
    switch (key) {
    case IntervalTimeMS:
        law->intervalTimeMS = quint16(readUnsigned(0xffff));
        break;
    case LawCount:
        law->lawCount = quint16(readUnsigned(0xffff));
        break;
    case Channel1:
        readChannel(&law->CH1);
        break;
    case Channel2:
        readChannel(&law->CH2);
        break;
    case Channel3:
        readChannel(&law->CH3);
        break;
    }
}

void CorvaneLEDLawReader::readChannel(QByteArray *channel)
{
    const quint8 header = quint8(readBigEndian(1));
    quint64 length = 0;
    if ((header & 0xf0) == 0x90)
        length = header & 0x0f;
    else if (header == 0xdc)
        length = readBigEndian(2);
    else if (header == 0xdd)
        length = readBigEndian(4);
    else
        fail();
    if (m_error || length != CorvaneLEDLaw::StepCount) {
        fail();
        return;
    }
    for (int i = 0; i < CorvaneLEDLaw::StepCount; ++i)
        (*channel)[i] = char(readUnsigned(0xff));
}

quint32 CorvaneLEDLawReader::readMapHeader()
{
    const quint8 header = quint8(readBigEndian(1));
    quint64 entries = 0;
    if ((header & 0xf0) == 0x80)
        entries = header & 0x0f;
    else if (header == 0xde)
        entries = readBigEndian(2);
    else if (header == 0xdf)
        entries = readBigEndian(4);
    else
        fail();
    if (m_error || entries > MaxMapEntries) {
        fail();
        return 0;
    }
    return quint32(entries);
}

quint64 CorvaneLEDLawReader::readUnsigned(quint64 max)
{
    const quint8 header = quint8(readBigEndian(1));
    quint64 value = 0;
    if (header <= 0x7f) {
        value = header;
    } else if (header >= 0xcc && header <= 0xcf) {
        value = readBigEndian(1 << (header - 0xcc));
    } else if (header >= 0xd0 && header <= 0xd3) {
        const int size = 1 << (header - 0xd0);
        value = readBigEndian(size);
        if (value >> (size * 8 - 1))   // negative
            fail();
    } else {
        fail();
    }
    if (m_error || value > max) {
        fail();
        return 0;
    }
    return value;
}

bool CorvaneLEDLawReader::readStringHeader(quint32 *length)
{
    const quint8 header = peekByte();
    if ((header & 0xe0) == 0xa0) {
        ++m_pos;
        *length = header & 0x1f;
        return true;
    }
    if (header >= 0xd9 && header <= 0xdb) {
        ++m_pos;
        *length = quint32(readBigEndian(1 << (header - 0xd9)));
        return !m_error;
    }
    return false;
}

void CorvaneLEDLawReader::skipValues(quint64 count)
{
    // A counter of values still to skip instead of recursion, so nesting
    // depth costs nothing; every step consumes a byte, so the loop ends with
    // the input at the latest.
    while (count > 0 && !m_error) {
        --count;
        const quint8 header = quint8(readBigEndian(1));
        if (header <= 0x7f || header >= 0xe0)   // fixint
            continue;
        if (header <= 0x8f) {                    // fixmap
            count += 2 * quint64(header & 0x0f);
            continue;
        }
        if (header <= 0x9f) {                    // fixarray
            count += header & 0x0f;
            continue;
        }
        if (header <= 0xbf) {                    // fixstr
            skipBytes(header & 0x1f);
            continue;
        }
        const Format &format = ExtendedFormats[header - 0xc0];
        switch (format.kind) {
        case Format::Fixed:
            skipBytes(format.size);
            break;
        case Format::Sized:
            skipBytes(readBigEndian(format.size) + format.extra);
            break;
        case Format::Array:
            count += readBigEndian(format.size);
            break;
        case Format::Map:
            count += 2 * readBigEndian(format.size);
            break;
        case Format::Invalid:
            fail();
            break;
        }
    }
}

void CorvaneLEDLawReader::skipBytes(quint64 count)
{
    if (m_error || count > quint64(m_bytes.size() - m_pos)) {
        fail();
        return;
    }
    m_pos += int(count);
}

quint8 CorvaneLEDLawReader::peekByte()
{
    return !m_error && m_pos < m_bytes.size() ? quint8(m_bytes.at(m_pos)) : 0;
}

quint64 CorvaneLEDLawReader::readBigEndian(int size)
{
    if (m_error || size > m_bytes.size() - m_pos) {
        fail();
        return 0;
    }
    quint64 value = 0;
    for (int i = 0; i < size; ++i)
        value = (value << 8) | quint8(m_bytes.at(m_pos++));
    return value;
}

void CorvaneLEDLawReader::fail()
{
    m_error = true;
}

bool CorvaneLEDLawReader::readFile(const QString &path, CorvaneLEDLaw *law)
{
    QFile file(path);
    if (!QFileInfo(path).isFile() || file.size() >= MaxFileSize || !file.open(QIODevice::ReadOnly))
        return false;
    // Bounded even where size() cannot be trusted: a law file never reaches the limit.
    return readPlayable(file.read(MaxFileSize), law);
}

bool CorvaneLEDLawReader::readPlayable(const QByteArray &bytes, CorvaneLEDLaw *law)
{
    if (bytes.isEmpty() || bytes.size() >= MaxFileSize)
        return false;
    return read(bytes, law) && law->intervalTimeMS != 0 && law->lawCount != 0;
}
