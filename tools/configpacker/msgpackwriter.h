// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QJsonValue>

class QJsonArray;
class QJsonObject;

/**
 * Encodes JSON values as MessagePack, always in the shortest form.
 *
 * Integral numbers become integers: non-negative ones take the unsigned
 * forms (positive fixint, uint 8 to 64), negative ones the signed forms
 * (negative fixint, int 8 to 64). Other numbers become float 32 when that
 * holds them exactly, otherwise float 64. Object members come out in key
 * order, so the same JSON always packs to the same bytes.
 */
class MsgPackWriter final
{
public:
    static QByteArray pack(const QJsonValue& value);

private:
    void write(const QJsonValue& value);
    void writeNumber(double value);
    void writeUnsigned(quint64 value);
    void writeSigned(qint64 value);
    void writeString(const QString& text);
    void writeArray(const QJsonArray& array);
    void writeObject(const QJsonObject& object);
    void writeHeader(quint32 count, quint8 fixBase, quint8 first16Bit);
    void writeBigEndian(quint64 value, int bytes);

    QByteArray m_out;
};
