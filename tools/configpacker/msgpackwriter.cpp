// SPDX-License-Identifier: GPL-3.0-or-later
#include "msgpackwriter.h"

#include <QJsonArray>
#include <QJsonObject>

#include <cmath>
#include <cstdint>
#include <cstring>

QByteArray MsgPackWriter::pack(const QJsonValue& value)
{
    MsgPackWriter writer;
    writer.write(value);
    return writer.m_out;
}

void MsgPackWriter::write(const QJsonValue& value)
{
    switch (value.type()) {
    case QJsonValue::Null:
    case QJsonValue::Undefined:
        m_out.append(char(0xc0));
        break;
    case QJsonValue::Bool:
        m_out.append(char(value.toBool() ? 0xc3 : 0xc2));
        break;
    case QJsonValue::Double:
        writeNumber(value.toDouble());
        break;
    case QJsonValue::String:
        writeString(value.toString());
        break;
    case QJsonValue::Array:
        writeArray(value.toArray());
        break;
    case QJsonValue::Object:
        writeObject(value.toObject());
        break;
    }
}

void MsgPackWriter::writeNumber(double value)
{
    // 2^64 and -2^63 bound what the integer forms can hold.
    constexpr double kUnsignedEnd = 18446744073709551616.0;
    constexpr double kSignedMin = -9223372036854775808.0;
    if (std::trunc(value) == value && value >= kSignedMin && value < kUnsignedEnd) {
        if (value >= 0)
            writeUnsigned(quint64(value));
        else
            writeSigned(qint64(value));
        return;
    }
    const float narrow = float(value);
    if (double(narrow) == value || std::isnan(value)) {
        quint32 bits;
        std::memcpy(&bits, &narrow, sizeof bits);
        m_out.append(char(0xca));
        writeBigEndian(bits, 4);
        return;
    }
    quint64 bits;
    std::memcpy(&bits, &value, sizeof bits);
    m_out.append(char(0xcb));
    writeBigEndian(bits, 8);
}

void MsgPackWriter::writeUnsigned(quint64 value)
{
    if (value <= 0x7f) {
        m_out.append(char(value));
    } else if (value <= 0xff) {
        m_out.append(char(0xcc));
        writeBigEndian(value, 1);
    } else if (value <= 0xffff) {
        m_out.append(char(0xcd));
        writeBigEndian(value, 2);
    } else if (value <= 0xffffffffu) {
        m_out.append(char(0xce));
        writeBigEndian(value, 4);
    } else {
        m_out.append(char(0xcf));
        writeBigEndian(value, 8);
    }
}

void MsgPackWriter::writeSigned(qint64 value)
{
    if (value >= -32) {
        m_out.append(char(value));
    } else if (value >= INT8_MIN) {
        m_out.append(char(0xd0));
        writeBigEndian(quint64(value), 1);
    } else if (value >= INT16_MIN) {
        m_out.append(char(0xd1));
        writeBigEndian(quint64(value), 2);
    } else if (value >= INT32_MIN) {
        m_out.append(char(0xd2));
        writeBigEndian(quint64(value), 4);
    } else {
        m_out.append(char(0xd3));
        writeBigEndian(quint64(value), 8);
    }
}

void MsgPackWriter::writeString(const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    const quint32 size = quint32(utf8.size());
    if (size < 32) {
        m_out.append(char(0xa0 | size));
    } else if (size <= 0xff) {
        m_out.append(char(0xd9));
        writeBigEndian(size, 1);
    } else if (size <= 0xffff) {
        m_out.append(char(0xda));
        writeBigEndian(size, 2);
    } else {
        m_out.append(char(0xdb));
        writeBigEndian(size, 4);
    }
    m_out.append(utf8);
}

void MsgPackWriter::writeArray(const QJsonArray& array)
{
    writeHeader(quint32(array.size()), 0x90, 0xdc);
    for (const QJsonValue& item : array)
        write(item);
}

void MsgPackWriter::writeObject(const QJsonObject& object)
{
    writeHeader(quint32(object.size()), 0x80, 0xde);
    for (auto it = object.constBegin(); it != object.constEnd(); ++it) {
        writeString(it.key());
        write(it.value());
    }
}

// Arrays and maps share their layout: a fix form for small counts, then a
// 16-bit form and, one code later, a 32-bit form.
void MsgPackWriter::writeHeader(quint32 count, quint8 fixBase, quint8 first16Bit)
{
    if (count < 16) {
        m_out.append(char(fixBase | count));
    } else if (count <= 0xffff) {
        m_out.append(char(first16Bit));
        writeBigEndian(count, 2);
    } else {
        m_out.append(char(first16Bit + 1));
        writeBigEndian(count, 4);
    }
}

void MsgPackWriter::writeBigEndian(quint64 value, int bytes)
{
    for (int shift = (bytes - 1) * 8; shift >= 0; shift -= 8)
        m_out.append(char((value >> shift) & 0xff));
}
