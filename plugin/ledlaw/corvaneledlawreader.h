// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "corvaneledlaw.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>

/**
 * Decodes an ".adl" LED law file: one MessagePack map with the keys
 * "LED_IntervalTimeMS", "LED_LawCount", "CH1", "CH2" and "CH3".
 *
 * The bytes are read in one pass without building a document. The first
 * malformed value stops the reader for good; what was decoded until then
 * stays, everything after it reads as zero. Keys may come in any order,
 * other keys (and non-string keys) are skipped with their values however
 * deeply nested, and bytes after the map are ignored. A map of more than
 * 100 entries, or a known key given twice, is malformed.
 */
class CorvaneLEDLawReader final
{
public:
    /**
     * Decode @p bytes into @p law, which is reset first. True when all five
     * keys were met, even if a value after one of them was malformed (that
     * value then stays zero); false otherwise.
     */
    static bool read(const QByteArray &bytes, CorvaneLEDLaw *law);

    /// Law files are under a kilobyte; a file this big or bigger is not one.
    static constexpr qint64 MaxFileSize = 4096;

    /**
     * Reads the law in the regular file (or resource) at @p path into @p law.
     * True only for a law a controller can play: a readable file smaller
     * than MaxFileSize that decodes, with a non-zero interval and step count.
     */
    static bool readFile(const QString &path, CorvaneLEDLaw *law);

    /// As readFile(), for the bytes of a file read already.
    static bool readPlayable(const QByteArray &bytes, CorvaneLEDLaw *law);

private:
    explicit CorvaneLEDLawReader(const QByteArray &bytes);

    int readKey();
    void readValueOf(int key, CorvaneLEDLaw *law);
    void readChannel(QByteArray *channel);
    quint32 readMapHeader();
    quint64 readUnsigned(quint64 max);
    bool readStringHeader(quint32 *length);
    void skipValues(quint64 count);
    void skipBytes(quint64 count);
    quint8 peekByte();
    quint64 readBigEndian(int size);
    void fail();

    const QByteArray &m_bytes;
    int m_pos = 0;
    bool m_error = false;
};
