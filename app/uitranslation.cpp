// SPDX-License-Identifier: GPL-3.0-or-later
#include "uitranslation.h"

#include "usersettings.h"

#include <QLocale>
#include <QTranslator>

bool UiTranslation::load(QTranslator &translator, const QSettings &settings)
{
    if (settings.value(QLatin1String(UserSettings::ForceEnglishKey), false).toBool())
        return false;
    return translator.load(QLocale(), QString(), QString(), QStringLiteral(":/i18n"));
}
