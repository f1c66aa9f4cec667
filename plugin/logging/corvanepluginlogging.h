// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLoggingCategory>

// Switch on one part at a time, e.g. QT_LOGGING_RULES="corvane.plugin.v2000.debug=true".
Q_DECLARE_LOGGING_CATEGORY(lcCorvanePlugin)
Q_DECLARE_LOGGING_CATEGORY(lcCorvaneV1100)
Q_DECLARE_LOGGING_CATEGORY(lcCorvaneV2000)
