// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLoggingCategory>

// e.g. QT_LOGGING_RULES="corvane.app.fanduty.debug=true"
Q_DECLARE_LOGGING_CATEGORY(lcFanDuty)
Q_DECLARE_LOGGING_CATEGORY(lcMsgPack)
