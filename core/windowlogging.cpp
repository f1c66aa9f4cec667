// SPDX-License-Identifier: GPL-3.0-or-later
#include "windowlogging.h"

Q_LOGGING_CATEGORY(lcWindow, "corvane.app.window")
