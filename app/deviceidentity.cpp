// SPDX-License-Identifier: GPL-3.0-or-later
#include "deviceidentity.h"

#include "corvanedrivernames.h"

#include <QObject>
#include <QVariant>

namespace {

constexpr int SecondFirmware = 0x2000;

} // namespace

DeviceIdentity DeviceIdentity::fromDriver(const QObject &driver)
{
    namespace Names = CorvaneDriverNames::Driver;
    return {driver.property(Names::Model).toInt(), driver.property(Names::FirmwareVersion).toInt(),
            driver.property(Names::CpuId).toByteArray()};
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
