// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QtGlobal>

#include <string>

/// What hid_open_path hands out. It is bound to one plugging of one interface,
/// so it stays dead after an unplug even when a later controller takes its path.
struct hid_device_
{
    quint64 plugId = 0;
    int interface = 0;
    QString path;
    std::wstring error = L"Success";
};
