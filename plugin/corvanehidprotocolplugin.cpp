// SPDX-License-Identifier: GPL-3.0-or-later
#include "corvanehidprotocolplugin.h"

#include "corvanedevicenotificationwidget.h"
#include "corvanedrivernames.h"
#include "corvanehiddevice.h"

QObject *CorvaneHIDProtocolPlugin::create(const QString &key, const QString &argument)
{
    Q_UNUSED(argument)
    namespace FactoryKey = CorvaneDriverNames::FactoryKey;
    const auto is = [&key](const char *name) { return key.compare(QLatin1String(name), Qt::CaseInsensitive) == 0; };
    if (is(FactoryKey::DeviceManager))
        return new CorvaneHIDDevice;
    if (is(FactoryKey::NotificationWidget))
        return new CorvaneDeviceNotificationWidget;
    return nullptr;
}
