// SPDX-License-Identifier: GPL-3.0-or-later
#include "deviceidentity.h"

#include "corvanedrivernames.h"

#include <QObject>
#include <QVariant>

namespace {

namespace Driver = CorvaneDriverNames::Driver;

constexpr int SecondFirmware = 0x2000;

// The driver's protocol object is its child "CorvaneHIDProtocolv1100" or
// "CorvaneHIDProtocolv2000": the protocol that accepted the controller.
QString protocolOf(const QObject &driver)
{
    const QLatin1String prefix("CorvaneHIDProtocol");
    for (const QObject *child : driver.children()) {
        const QLatin1String name(child->metaObject()->className());
        if (name.startsWith(prefix))
            return QString(name).mid(prefix.size());
    }
    return QString();
}

} // namespace

DeviceIdentity DeviceIdentity::fromDriver(const QObject &driver)
{
    return {driver.property(Driver::Model).toInt(), driver.property(Driver::FirmwareVersion).toInt(),
            driver.property(Driver::CpuId).toByteArray(), protocolOf(driver)};
}

QString DeviceIdentity::modelText() const
{
    switch (model) {
    case 0:
    case 1:
        return QStringLiteral("CRV-M7k");
    case 2:
        return QStringLiteral("CRV-M7k II");
    default:
        return QStringLiteral("CRV-Unknown");
    }
}

QString DeviceIdentity::firmwareText() const
{
    switch (firmwareVersion) {
    case FirstFirmware:
        return QStringLiteral("fw-1.1");
    case SecondFirmware:
        return QStringLiteral("fw-2.0");
    default:
        return QStringLiteral("fw-unknown");
    }
}

QString DeviceIdentity::serialText() const
{
    return QString::fromLatin1(cpuid.toHex());
}

bool DeviceIdentity::usesFirstDutyTables() const
{
    return firmwareVersion == FirstFirmware && model <= 1;
}

bool DeviceIdentity::canHibernate() const
{
    return firmwareVersion != FirstFirmware;
}
