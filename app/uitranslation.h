// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QSettings;
class QTranslator;

/**
 * The interface translation. The English source texts are the default; the
 * resource folder ":/i18n" holds one compiled translation per locale, named
 * after it ("zh_CN.qm").
 */
class UiTranslation final
{
public:
    /**
     * Loads into @p translator the file for the user-interface languages of
     * the default locale (the system's, unless the program changed it),
     * unless @p settings holds "debug/force_english" = true. True when a file
     * was loaded and the translator should be installed.
     */
    static bool load(QTranslator &translator, const QSettings &settings);
};
