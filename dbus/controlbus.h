// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

/// Where the running panel is on the session bus (dbus/com.corvane.Control1.xml).
namespace ControlBus {

inline constexpr char Service[] = "com.corvane.Control";
inline constexpr char ObjectPath[] = "/com/corvane/Control";
inline constexpr char Interface[] = "com.corvane.Control1";

/// A bad group, mode, level, colour or file.
inline constexpr char InvalidArgument[] = "com.corvane.Control1.Error.InvalidArgument";
/// No controller is connected.
inline constexpr char NotConnected[] = "com.corvane.Control1.Error.NotConnected";
/// The controller refused or failed.
inline constexpr char DeviceError[] = "com.corvane.Control1.Error.DeviceError";

} // namespace ControlBus
