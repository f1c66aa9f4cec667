// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <array>

namespace CorvaneSim {

/**
 * One 65-byte feature report as it crosses the bus: byte 0 the report id,
 * multi-byte fields little-endian. Accessors outside the report read 0 and
 * writes outside it are dropped, so a field table error can never overrun.
 */
class ReportImage final
{
public:
    static constexpr int Size = 65;

    ReportImage() = default;
    explicit ReportImage(quint8 reportId);
    /// Copies exactly Size bytes from @p bytes.
    static ReportImage fromBytes(const unsigned char *bytes);

    quint8 id() const { return m_bytes[0]; }
    quint8 u8(int at) const;
    quint16 u16(int at) const;

    void setU8(int at, quint8 value);
    void setU16(int at, quint16 value);
    void setU32(int at, quint32 value);
    void setBytes(int at, const QByteArray &bytes);

    QByteArray bytes(int at, int count) const;
    QByteArray toByteArray() const;
    void copyTo(unsigned char *bytes) const;

private:
    std::array<quint8, Size> m_bytes{};
};

} // namespace CorvaneSim
