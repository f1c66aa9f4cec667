// SPDX-License-Identifier: GPL-3.0-or-later
#include "corvanehidreport.h"

#include <QtEndian>

#include <algorithm>

CorvaneHIDReport::CorvaneHIDReport(quint8 reportId)
{
    buffer_[0] = reportId;
}

bool CorvaneHIDReport::fits(int offset, int width) const
{
    return offset >= 0 && width >= 0 && offset <= int(buffer_.size()) - width;
}

void CorvaneHIDReport::setU8(int offset, quint8 value)
{
    if (fits(offset, 1))
        buffer_[size_t(offset)] = value;
}

void CorvaneHIDReport::setU16(int offset, quint16 value)
{
    if (fits(offset, 2))
        qToLittleEndian(value, buffer_.data() + offset);
}

quint8 CorvaneHIDReport::u8(int offset) const
{
    return fits(offset, 1) ? buffer_[size_t(offset)] : 0;
}

quint16 CorvaneHIDReport::u16(int offset) const
{
    return fits(offset, 2) ? qFromLittleEndian<quint16>(buffer_.data() + offset) : 0;
}

quint32 CorvaneHIDReport::u32(int offset) const
{
    return fits(offset, 4) ? qFromLittleEndian<quint32>(buffer_.data() + offset) : 0;
}

QByteArray CorvaneHIDReport::bytes(int offset, int count) const
{
    if (!fits(offset, 0) || count <= 0)
        return QByteArray();
    const int available = qMin(count, int(buffer_.size()) - offset);
    return QByteArray(reinterpret_cast<const char *>(buffer_.data() + offset), available);
}

void CorvaneHIDReport::copyFrom(const CorvaneHIDReport &other, int offset, int count)
{
    if (fits(offset, count))
        std::copy_n(other.buffer_.cbegin() + offset, count, buffer_.begin() + offset);
}

bool CorvaneHIDReport::send(hid_device *device) const
{
    return device && hid_send_feature_report(device, buffer_.data(), buffer_.size()) > 0;
}

bool CorvaneHIDReport::get(hid_device *device)
{
    return device && hid_get_feature_report(device, buffer_.data(), buffer_.size()) > 0;
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
