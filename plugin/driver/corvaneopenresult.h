// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QMetaType>

/// How a driver's attempt to open a controller ended.
enum class CorvaneOpenResult {
    Opened,
    /// The device could not be opened or its protocol is another one.
    Refused,
    /// Another process has the controller open; it was left alone.
    Busy,
};

Q_DECLARE_METATYPE(CorvaneOpenResult)
