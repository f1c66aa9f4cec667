// SPDX-License-Identifier: GPL-3.0-or-later
#include "commandframe.h"

#include "reportimage.h"

namespace CorvaneSim {

std::optional<QVector<CommandFrame::Command>> CommandFrame::parse(const ReportImage &report)
{
    if (report.u8(1) != Start)
        return std::nullopt;
    QVector<Command> commands;
    QByteArray params;
    // Every B0/C0 needs its operand inside the report, hence the Size - 1 bound.
    for (int at = 2; at < ReportImage::Size; at += 2) {
        const quint8 byte = report.u8(at);
        if (byte == End)
            return commands;
        if (at + 1 >= ReportImage::Size)
            break;
        const quint8 operand = report.u8(at + 1);
        if (byte == Param) {
            params.append(char(operand));
        } else if (byte == Code) {
            commands.append({operand, params});
            params.clear();
        } else {
            break;
        }
    }
    return std::nullopt;
}

} // namespace CorvaneSim
