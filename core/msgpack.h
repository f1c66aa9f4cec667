// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QVariant>

/** Decoding of MessagePack documents into trees of Qt variants. */
class MsgPack final
{
public:
    /// Containers nested deeper than this make the document invalid.
    static constexpr int maxNestingDepth = 256;

    /**
     * Decodes every item of @p data. One top-level item gives its variant;
     * none or several give a QVariantList of them. An invalid variant comes
     * back when an item needs more bytes than remain, when an array or map
     * declares more items than the remaining bytes could hold, or when
     * containers nest deeper than maxNestingDepth; nothing past the end of
     * @p data is ever read. Nil, the unused code 0xc1 and ext items (whose
     * payload is skipped with a warning) become invalid variants inside the
     * tree. Map keys are converted with QVariant::toString; a repeated key
     * keeps its last value. Keeps no state: safe on any thread.
     */
    static QVariant unpack(const QByteArray& data);
};
