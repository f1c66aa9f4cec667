// SPDX-License-Identifier: GPL-3.0-or-later
#include "corvanehidreport.h"

#include <QtEndian>

#include <algorithm>

CorvaneHIDReport::CorvaneHIDReport(quint8 reportId)
{
    m_buffer[0] = reportId;
}

bool CorvaneHIDReport::fits(int offset, int width) const
{
    return offset >= 0 && width >= 0 && offset <= int(m_buffer.size()) - width;
}

void CorvaneHIDReport::setU8(int offset, quint8 value)
{
    if (fits(offset, 1))
        m_buffer[size_t(offset)] = value;
}

void CorvaneHIDReport::setU16(int offset, quint16 value)
{
    if (fits(offset, 2))
        qToLittleEndian(value, m_buffer.data() + offset);
}

quint8 CorvaneHIDReport::u8(int offset) const
{
    return fits(offset, 1) ? m_buffer[size_t(offset)] : 0;
}

quint16 CorvaneHIDReport::u16(int offset) const
{
    return fits(offset, 2) ? qFromLittleEndian<quint16>(m_buffer.data() + offset) : 0;
}

quint32 CorvaneHIDReport::u32(int offset) const
{
    return fits(offset, 4) ? qFromLittleEndian<quint32>(m_buffer.data() + offset) : 0;
}

QByteArray CorvaneHIDReport::bytes(int offset, int count) const
{
    if (!fits(offset, 0) || count <= 0)
        return QByteArray();
    const int available = qMin(count, int(m_buffer.size()) - offset);
    return QByteArray(reinterpret_cast<const char *>(m_buffer.data() + offset), available);
}

void CorvaneHIDReport::copyFrom(const CorvaneHIDReport &other, int offset, int count)
{
    if (fits(offset, count))
        std::copy_n(other.m_buffer.cbegin() + offset, count, m_buffer.begin() + offset);
}

bool CorvaneHIDReport::send(hid_device *device) const
{
    return device && hid_send_feature_report(device, m_buffer.data(), m_buffer.size()) > 0;
}

bool CorvaneHIDReport::get(hid_device *device)
{
    return device && hid_get_feature_report(device, m_buffer.data(), m_buffer.size()) > 0;
}

float CorvaneHIDReport::adapterVolts(quint16 reading)
{
    return float(reading * 35.86 / 4095);
}

bool isLedChannelSet(const QVector<QByteArray> &channels)
{
    return channels.size() == 3
        && std::all_of(channels.cbegin(), channels.cend(),
                       [](const QByteArray &channel) { return channel.size() == CorvaneFeatureBlockSize; });
}
