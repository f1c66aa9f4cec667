# SPDX-License-Identifier: GPL-3.0-or-later
# The panels beside the main window: the connection view, the fan modes and
# the LED panel, with what they build on (a connected controller's identity,
# the fan blades that follow the duties).
target_sources(corvane-app-core PRIVATE
  connectionview.h connectionview.cpp
  deviceidentity.h deviceidentity.cpp
  fanbladespinner.h fanbladespinner.cpp
  fanmodes.h fanmodes.cpp
  ledpanel.h ledpanel.cpp
)
