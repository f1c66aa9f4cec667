// SPDX-License-Identifier: GPL-3.0-or-later
#include "corvanehidprotocolplugin.h"

#include "corvanedevicenotificationwidget.h"
#include "corvanehiddevice.h"

QObject *CorvaneHIDProtocolPlugin::create(const QString &key, const QString &specification)
{
    Q_UNUSED(specification)
    const QString name = key.toLower();
    if (name == QLatin1String("corvanehiddevice"))
        return new CorvaneHIDDevice;
    if (name == QLatin1String("corvanedevicenotificationwidget"))
        return new CorvaneDeviceNotificationWidget;
    return nullptr;
}
