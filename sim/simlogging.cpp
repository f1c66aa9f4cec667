// SPDX-License-Identifier: GPL-3.0-or-later
#include "simlogging.h"

Q_LOGGING_CATEGORY(lcCorvaneSim, "corvane.sim")
