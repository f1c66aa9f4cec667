// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Helpers of the discovery suites: controllers plugged from their
// CORVANE_SIM_DEVICES text, and the report exchanges the simulator logged.

#include "corvanesim.h"

#include <QSignalSpy>
#include <QString>
#include <QStringList>
#include <QTest>

namespace HotplugTestKit {

constexpr quint16 VendorId = 0x2a0e;
constexpr quint16 ProductId = 0x1000;

/// Plugs each ';'-separated controller of @p text, in order.
inline void plug(const QString &text)
{
    for (const CorvaneSim::ControllerConfig &controller : CorvaneSim::ControllerConfig::parseList(text))
        QVERIFY(CorvaneSim::Bus::instance().plug(controller) > 0);
}

inline QString simPath(int controller, int interface = 0)
{
    return QStringLiteral("sim:%1:%2").arg(controller).arg(interface);
}

/// Every report exchange as "<path> <op>:<report id>", oldest first.
inline QStringList exchanges()
{
    QStringList found;
    for (const CorvaneSim::LogEntry &entry : CorvaneSim::Bus::instance().log()) {
        if (!entry.buffer.isEmpty())
            found << QStringLiteral("%1 %2:%3").arg(entry.path, entry.op).arg(quint8(entry.buffer.at(0)));
    }
    return found;
}

/// How many times report 1, the one both protocols probe with, was asked for.
inline int probeGets()
{
    int count = 0;
    for (const QString &exchange : exchanges())
        count += exchange.endsWith(QLatin1String("get:1")) || exchange.endsWith(QLatin1String("get-failed:1"));
    return count;
}

/// The path argument of each signal @p spy caught, in order.
inline QStringList signalledPaths(const QSignalSpy &spy)
{
    QStringList found;
    for (const QList<QVariant> &arguments : spy)
        found << arguments.at(0).toString();
    return found;
}

} // namespace HotplugTestKit
