// SPDX-License-Identifier: GPL-3.0-or-later
// Windows has no FIFOs: CORVANE_SIM_CONTROL is not read there, and the
// simulator is driven through its in-process API only.
#include "controlchannel.h"

#include "simlogging.h"

namespace CorvaneSim {

ControlChannel *ControlChannel::start(const QString &path, QObject *parent)
{
    Q_UNUSED(parent)
    qCWarning(lcCorvaneSim, "control: no FIFO on this platform; %s is not read", qPrintable(path));
    return nullptr;
}

} // namespace CorvaneSim
