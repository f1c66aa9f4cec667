// SPDX-License-Identifier: GPL-3.0-or-later
#include "msgpack.h"

#include "corelogging.h"

#include <cstring>

namespace {

// A read position over the document. Every read checks the bytes left
// before it touches them; any failure ends the whole decoding.
class Reader final
{
public:
    explicit Reader(const QByteArray& data)
        : m_pos(reinterpret_cast<const uchar*>(data.constData()))
        , m_end(m_pos + data.size())
    {
    }

    bool atEnd() const { return m_pos == m_end; }

    bool item(QVariant& out, int depth);

private:
    quint64 remaining() const { return quint64(m_end - m_pos); }
    bool bigEndian(int bytes, quint64& value);
    bool bytes(quint64 size, const char*& start);

    bool text(quint64 size, QVariant& out);
    bool string(int lengthBytes, QVariant& out);
    bool binary(int lengthBytes, QVariant& out);
    bool ext(int lengthBytes, QVariant& out);
    bool extPayload(quint64 size, QVariant& out);
    bool array(quint64 count, QVariant& out, int depth);
    bool map(quint64 count, QVariant& out, int depth);
    bool container(int lengthBytes, bool isMap, QVariant& out, int depth);

    template <typename Unsigned, typename Result>
    bool unsignedNumber(QVariant& out);
    template <typename Signed, typename Result>
    bool signedNumber(QVariant& out);
    template <typename Float, typename Bits>
    bool floatNumber(QVariant& out);

    const uchar* m_pos;
    const uchar* const m_end;
};

bool Reader::bigEndian(int bytes, quint64& value)
{
    if (remaining() < quint64(bytes))
        return false;
    value = 0;
    for (int i = 0; i < bytes; ++i)
        value = (value << 8) | *m_pos++;
    return true;
}

bool Reader::bytes(quint64 size, const char*& start)
{
    if (remaining() < size)
        return false;
    start = reinterpret_cast<const char*>(m_pos);
    m_pos += size;
    return true;
}

template <typename Unsigned, typename Result>
bool Reader::unsignedNumber(QVariant& out)
{
    quint64 value;
    if (!bigEndian(sizeof(Unsigned), value))
        return false;
    out = QVariant::fromValue(Result(Unsigned(value)));
    return true;
}

template <typename Signed, typename Result>
bool Reader::signedNumber(QVariant& out)
{
    quint64 value;
    if (!bigEndian(sizeof(Signed), value))
        return false;
    out = QVariant::fromValue(Result(Signed(value)));
    return true;
}

template <typename Float, typename Bits>
bool Reader::floatNumber(QVariant& out)
{
    quint64 value;
    if (!bigEndian(sizeof(Bits), value))
        return false;
    const Bits bits = Bits(value);
    Float number;
    std::memcpy(&number, &bits, sizeof number);
    out = QVariant::fromValue(number);
    return true;
}

bool Reader::text(quint64 size, QVariant& out)
{
    const char* start;
    if (!bytes(size, start))
        return false;
    out = QString::fromUtf8(start, int(size));
    return true;
}

bool Reader::string(int lengthBytes, QVariant& out)
{
    quint64 size;
    return bigEndian(lengthBytes, size) && text(size, out);
}

bool Reader::binary(int lengthBytes, QVariant& out)
{
    quint64 size;
    const char* start;
    if (!bigEndian(lengthBytes, size) || !bytes(size, start))
        return false;
    out = QByteArray(start, int(size));
    return true;
}

bool Reader::ext(int lengthBytes, QVariant& out)
{
    quint64 size;
    return bigEndian(lengthBytes, size) && extPayload(size, out);
}

// No ext types are registered: the item is skipped and stays invalid.
bool Reader::extPayload(quint64 size, QVariant& out)
{
    quint64 type;
    const char* payload;
    if (!bigEndian(1, type) || !bytes(size, payload))
        return false;
    qCWarning(lcMsgPack, "MsgPack::unpack() unpacker for type %d doesn't exist", int(qint8(type)));
    out = QVariant();
    return true;
}

bool Reader::container(int lengthBytes, bool isMap, QVariant& out, int depth)
{
    quint64 count;
    if (!bigEndian(lengthBytes, count))
        return false;
    return isMap ? map(count, out, depth) : array(count, out, depth);
}

// Each item takes at least one byte, so a count larger than the bytes left
// is a lie, refused before anything is allocated for it.
bool Reader::array(quint64 count, QVariant& out, int depth)
{
    if (count > remaining() || depth >= MsgPack::maxNestingDepth)
        return false;
    QVariantList list;
    list.reserve(int(count));
    for (quint64 i = 0; i < count; ++i) {
        QVariant element;
        if (!item(element, depth + 1))
            return false;
        list.append(element);
    }
    out = list;
    return true;
}

bool Reader::map(quint64 count, QVariant& out, int depth)
{
    if (count > remaining() / 2 || depth >= MsgPack::maxNestingDepth)
        return false;
    QVariantMap result;
    for (quint64 i = 0; i < count; ++i) {
        QVariant key;
        QVariant value;
        if (!item(key, depth + 1) || !item(value, depth + 1))
            return false;
        result.insert(key.toString(), value);
    }
    out = result;
    return true;
}

bool Reader::item(QVariant& out, int depth)
{
    quint64 first;
    if (!bigEndian(1, first))
        return false;
    const uchar code = uchar(first);
    if (code <= 0x7f) {
        out = QVariant::fromValue(uint(code));
        return true;
    }
    if (code >= 0xe0) {
        out = QVariant::fromValue(int(qint8(code)));
        return true;
    }
    if (code <= 0x8f)
        return map(code & 0x0f, out, depth);
    if (code <= 0x9f)
        return array(code & 0x0f, out, depth);
    if (code <= 0xbf)
        return text(code & 0x1f, out);
    switch (code) {
    case 0xc0:
    case 0xc1:
        out = QVariant();
        return true;
    case 0xc2:
    case 0xc3:
        out = QVariant::fromValue(code == 0xc3);
        return true;
    case 0xc4: return binary(1, out);
    case 0xc5: return binary(2, out);
    case 0xc6: return binary(4, out);
    case 0xc7: return ext(1, out);
    case 0xc8: return ext(2, out);
    case 0xc9: return ext(4, out);
    case 0xca: return floatNumber<float, quint32>(out);
    case 0xcb: return floatNumber<double, quint64>(out);
    case 0xcc: return unsignedNumber<quint8, int>(out);
    case 0xcd: return unsignedNumber<quint16, int>(out);
    case 0xce: return unsignedNumber<quint32, uint>(out);
    case 0xcf: return unsignedNumber<quint64, qulonglong>(out);
    case 0xd0: return signedNumber<qint8, int>(out);
    case 0xd1: return signedNumber<qint16, int>(out);
    case 0xd2: return signedNumber<qint32, int>(out);
    case 0xd3: return signedNumber<qint64, qlonglong>(out);
    case 0xd4: return extPayload(1, out);
    case 0xd5: return extPayload(2, out);
    case 0xd6: return extPayload(4, out);
    case 0xd7: return extPayload(8, out);
    case 0xd8: return extPayload(16, out);
    case 0xd9: return string(1, out);
    case 0xda: return string(2, out);
    case 0xdb: return string(4, out);
    case 0xdc: return container(2, false, out, depth);
    case 0xdd: return container(4, false, out, depth);
    case 0xde: return container(2, true, out, depth);
    default:   return container(4, true, out, depth);
    }
}

} // namespace

QVariant MsgPack::unpack(const QByteArray& data)
{
    Reader reader(data);
    QVariantList items;
    while (!reader.atEnd()) {
        QVariant item;
        if (!reader.item(item, 0))
            return QVariant();
        items.append(item);
    }
    return items.size() == 1 ? items.first() : QVariant(items);
}
