// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "corvanesim.h"

#include <QByteArray>
#include <QString>

#include <hidapi/hidapi.h>

#include <memory>

// Helpers shared by the simulator suites: reports as hex, handles that close
// themselves, and a one-line picture of a controller's settings.
namespace SimTest {

constexpr int ReportSize = 65;

/// A 65-byte report from hex text ("06 a0 b0 01"), the rest zero.
inline QByteArray report(const QByteArray &hex)
{
    QByteArray bytes = QByteArray::fromHex(hex);
    bytes.append(QByteArray(ReportSize - bytes.size(), '\0'));
    return bytes;
}

struct HandleCloser
{
    void operator()(hid_device *device) const { hid_close(device); }
};
using Handle = std::unique_ptr<hid_device, HandleCloser>;

inline Handle open(const QString &path)
{
    return Handle(hid_open_path(path.toLatin1().constData()));
}

inline int send(hid_device *device, const QByteArray &bytes)
{
    return hid_send_feature_report(device, reinterpret_cast<const unsigned char *>(bytes.constData()),
                                   size_t(bytes.size()));
}

/// Gets report @p id; the buffer as it came back, whatever the result.
inline QByteArray get(hid_device *device, quint8 id, int *result = nullptr)
{
    QByteArray bytes(ReportSize, '\0');
    bytes[0] = char(id);
    const int got = hid_get_feature_report(device, reinterpret_cast<unsigned char *>(bytes.data()),
                                           size_t(bytes.size()));
    if (result)
        *result = got;
    return bytes;
}

/// Plugs the controller that @p item describes; its number.
inline int plug(const QString &item)
{
    return CorvaneSim::Bus::instance().plug(*CorvaneSim::ControllerConfig::parse(item));
}

inline CorvaneSim::ControllerState state(int controller)
{
    return *CorvaneSim::Bus::instance().state(controller);
}

/// Every setting except the LED blocks, so that a row also proves what did not change.
inline QString describe(const CorvaneSim::ControllerSettings &s)
{
    return QStringLiteral("duty=%1,%2,%3,%4 pwm=%5,%6,%7,%8 fan=%9%10 led=%11%12%13 law=%14/%15")
        .arg(s.fanDuty[0]).arg(s.fanDuty[1]).arg(s.fanDuty[2]).arg(s.fanDuty[3])
        .arg(s.fanPwm[0]).arg(s.fanPwm[1]).arg(s.fanPwm[2]).arg(s.fanPwm[3])
        .arg(s.fanAutoRun ? "A" : "-").arg(s.fanShutdownOnDisconnect ? "S" : "-")
        .arg(s.ledPower ? "P" : "-").arg(s.ledAutoRun ? "A" : "-").arg(s.ledShutdownOnDisconnect ? "S" : "-")
        .arg(s.intervalTimeMS).arg(s.lawCount);
}

} // namespace SimTest
