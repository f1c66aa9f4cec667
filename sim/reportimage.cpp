// SPDX-License-Identifier: GPL-3.0-or-later
#include "reportimage.h"

#include <cstring>

namespace CorvaneSim {

namespace {
bool inside(int at, int count)
{
    return at >= 0 && count >= 0 && at <= ReportImage::Size - count;
}
} // namespace

ReportImage::ReportImage(quint8 reportId)
{
    m_bytes[0] = reportId;
}

ReportImage ReportImage::fromBytes(const unsigned char *bytes)
{
    ReportImage image;
    std::memcpy(image.m_bytes.data(), bytes, Size);
    return image;
}

quint8 ReportImage::u8(int at) const
{
    return inside(at, 1) ? m_bytes[at] : 0;
}

quint16 ReportImage::u16(int at) const
{
    return quint16(u8(at) | u8(at + 1) << 8);
}

void ReportImage::setU8(int at, quint8 value)
{
    if (inside(at, 1))
        m_bytes[at] = value;
}

void ReportImage::setU16(int at, quint16 value)
{
    setU8(at, quint8(value));
    setU8(at + 1, quint8(value >> 8));
}

void ReportImage::setU32(int at, quint32 value)
{
    setU16(at, quint16(value));
    setU16(at + 2, quint16(value >> 16));
}

void ReportImage::setBytes(int at, const QByteArray &bytes)
{
    for (int i = 0; i < bytes.size(); ++i)
        setU8(at + i, quint8(bytes.at(i)));
}

QByteArray ReportImage::bytes(int at, int count) const
{
    if (!inside(at, count))
        return QByteArray();
    return QByteArray(reinterpret_cast<const char *>(m_bytes.data()) + at, count);
}

QByteArray ReportImage::toByteArray() const
{
    return bytes(0, Size);
}

void ReportImage::copyTo(unsigned char *bytes) const
{
    std::memcpy(bytes, m_bytes.data(), Size);
}

} // namespace CorvaneSim
