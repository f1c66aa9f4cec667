// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// libumockdev's C API. GLib's headers use "signals" as a name, which Qt's
// keyword macro of that name would turn into "public".
#pragma push_macro("signals")
#undef signals
#include <umockdev.h>
#pragma pop_macro("signals")
