// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QVector>

#include <optional>

namespace CorvaneSim {

class ReportImage;

/**
 * The command language of the v2000 command report: from byte 1 on,
 * A0 (B0 p)* C0 c ... A1, where each C0 c takes the parameters given since the
 * previous command.
 *
 * The firmware validates a frame before it runs any of it: a frame that does
 * not start with A0, holds any byte other than B0/C0 pairs before A1, cuts a
 * pair at the end of the report or never reaches A1 is dropped as a whole, so
 * a damaged report never half-applies a group of settings. Bytes after A1 are
 * not looked at; parameters after the last command are discarded.
 */
class CommandFrame final
{
public:
    struct Command
    {
        quint8 code = 0;
        QByteArray params;
    };

    static constexpr quint8 Start = 0xA0;
    static constexpr quint8 End = 0xA1;
    static constexpr quint8 Param = 0xB0;
    static constexpr quint8 Code = 0xC0;

    /// The commands of the frame in @p report, in order; nullopt for a malformed frame.
    static std::optional<QVector<Command>> parse(const ReportImage &report);
};

} // namespace CorvaneSim
