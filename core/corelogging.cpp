// SPDX-License-Identifier: GPL-3.0-or-later
#include "corelogging.h"

Q_LOGGING_CATEGORY(lcFanDuty, "corvane.app.fanduty")
Q_LOGGING_CATEGORY(lcMsgPack, "corvane.app.msgpack")
