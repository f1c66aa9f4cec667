// SPDX-License-Identifier: GPL-3.0-or-later
#include "platformlogging.h"

Q_LOGGING_CATEGORY(lcCorvanePlatform, "corvane.app.platform")
