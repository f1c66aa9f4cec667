# SPDX-License-Identifier: GPL-3.0-or-later
# The panel's control logic beside the main window: what a connected
# controller is and shows, and the fan blades that follow the duties.
target_sources(corvane-app-core PRIVATE
  deviceidentity.h deviceidentity.cpp
  fanbladespinner.h fanbladespinner.cpp
)
