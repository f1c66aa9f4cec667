// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "corvanehidtransport.h"

#include <QByteArray>
#include <QVector>
#include <QtGlobal>

#include <array>

/**
 * One 65-byte feature report as both protocols exchange it: zero-filled at
 * construction, byte 0 the report id, multi-byte fields little-endian.
 *
 * Offsets count from byte 0 of the report. Reads and writes outside the 65
 * bytes are ignored (reads give 0), so a caller can never run past the buffer.
 */
class CorvaneHIDReport final
{
public:
    explicit CorvaneHIDReport(quint8 reportId);

    quint8 reportId() const { return m_buffer[0]; }

    void setU8(int offset, quint8 value);
    void setU16(int offset, quint16 value);

    quint8 u8(int offset) const;
    quint16 u16(int offset) const;
    quint32 u32(int offset) const;
    /// @p count bytes from @p offset; shorter when the range leaves the report.
    QByteArray bytes(int offset, int count) const;

    /// Copy bytes [@p offset, @p offset + @p count) of @p other into the same places here.
    void copyFrom(const CorvaneHIDReport &other, int offset, int count);

    /// Send the report; false for a null @p device or when the device refused it.
    bool send(hid_device *device) const;
    /**
     * Ask @p device for the report named by byte 0. On success the reply has
     * replaced the buffer; on failure (or a null @p device) false is returned
     * and the buffer may hold anything the device wrote into it.
     */
    bool get(hid_device *device);

    /// Volts of a 12-bit power adapter reading (full scale 35.86 V).
    static float adapterVolts(quint16 reading);

private:
    bool fits(int offset, int width) const;

    std::array<unsigned char, CorvaneReportSize> m_buffer{};
};

/// First report ids of the three LED channel blocks, in upload order.
constexpr quint8 CorvaneLedBlockReportIds[3] = {16, 32, 48};

/// True for exactly three channels of one feature block (256 bytes) each, as an LED law carries them.
bool isLedChannelSet(const QVector<QByteArray> &channels);
