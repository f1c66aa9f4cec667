// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLoggingCategory>

// Auto-start entry and Utilities launchers: QT_LOGGING_RULES="corvane.app.platform.debug=true".
Q_DECLARE_LOGGING_CATEGORY(lcCorvanePlatform)
