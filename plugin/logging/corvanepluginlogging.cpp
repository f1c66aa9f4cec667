// SPDX-License-Identifier: GPL-3.0-or-later
#include "corvanepluginlogging.h"

Q_LOGGING_CATEGORY(lcCorvanePlugin, "corvane.plugin")
Q_LOGGING_CATEGORY(lcCorvaneV1100, "corvane.plugin.v1100")
Q_LOGGING_CATEGORY(lcCorvaneV2000, "corvane.plugin.v2000")
