// SPDX-License-Identifier: GPL-3.0-or-later
#include "usersettings.h"

std::unique_ptr<QSettings> UserSettings::open()
{
    return std::make_unique<QSettings>(QSettings::UserScope, QLatin1String(Organisation),
                                       QLatin1String(Application));
}

bool UserSettings::changeBoost(const QSettings &settings)
{
    return settings.value(QLatin1String(ChangeBoostKey), true).toBool();
}
