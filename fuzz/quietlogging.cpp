// SPDX-License-Identifier: GPL-3.0-or-later
#include "quietlogging.h"

#include <QLoggingCategory>

void silenceLogging()
{
    QLoggingCategory::setFilterRules(QStringLiteral("*=false"));
}
