// SPDX-License-Identifier: GPL-3.0-or-later
#include "coolingsettings.h"

#include <QSettings>

CoolingChoice CoolingSettings::load(const QSettings &settings, int group)
{
    const QString source = settings.value(key(group, "source")).toString();
    const QString curve = settings.value(key(group, "curve"), QLatin1String(CoolingChoice::DefaultCurveText)).toString();
    return CoolingChoice::make(source, curve).value_or(CoolingChoice());
}

void CoolingSettings::save(QSettings &settings, int group, const CoolingChoice &choice)
{
    settings.setValue(key(group, "source"), choice.source());
    settings.setValue(key(group, "curve"), choice.curveText());
}

QString CoolingSettings::key(int group, const char *name)
{
    return QStringLiteral("cooling/g%1_%2").arg(group + 1).arg(QLatin1String(name));
}
