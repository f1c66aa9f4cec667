# SPDX-License-Identifier: GPL-3.0-or-later
# Linux platform layer: CPU times and load, auto-start entry, Utilities launchers,
# the environment the program keeps to itself, termination signals.
target_sources(corvane-app-core PRIVATE
  platform/platformlogging.cpp platform/platformlogging.h
  platform/cputimes.cpp platform/cputimes.h
  platform/cpuloadsampler.cpp platform/cpuloadsampler.h
  platform/autostartentry.cpp platform/autostartentry.h
  platform/utilitiespanel.cpp platform/utilitiespanel.h
  platform/programenvironment.cpp platform/programenvironment.h
  platform/terminationsignals.cpp platform/terminationsignals.h
)
