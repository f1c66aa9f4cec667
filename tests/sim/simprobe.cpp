// SPDX-License-Identifier: GPL-3.0-or-later
// A child process for tst_simconfig: the bus reads its environment once, at
// first use, so each environment needs a fresh process. Prints every
// enumerated interface; with "exchange", talks to the first and unplugs it;
// with "silent", silences the first and prints how long a get then took.
#include "corvanesim.h"

#include <QElapsedTimer>

#include <hidapi/hidapi.h>

#include <cstdio>
#include <cstring>

namespace {

void exchange(const char *path)
{
    hid_device *device = hid_open_path(path);
    unsigned char status[65] = {1};
    hid_get_feature_report(device, status, sizeof status);
    const unsigned char ledOn[65] = {6, 0xa0, 0xb0, 0x01, 0xc0, 0x20, 0xa1};
    hid_send_feature_report(device, ledOn, sizeof ledOn);
    unsigned char unknown[65] = {0x63};
    hid_get_feature_report(device, unknown, sizeof unknown);
    hid_close(device);
    CorvaneSim::Bus::instance().unplugPath(QString::fromLatin1(path));
}

void timeSilentGet(const char *path)
{
    hid_device *device = hid_open_path(path);
    CorvaneSim::Bus::instance().injectFault(QString::fromLatin1(path), CorvaneSim::Fault::Silent);
    unsigned char status[65] = {1};
    QElapsedTimer clock;
    clock.start();
    hid_get_feature_report(device, status, sizeof status);
    std::printf("silent get %lld ms\n", static_cast<long long>(clock.elapsed()));
    hid_close(device);
}

} // namespace

int main(int argc, char **argv)
{
    hid_init();
    hid_device_info *list = hid_enumerate(0, 0);
    for (const hid_device_info *info = list; info; info = info->next)
        std::printf("%s %04x %04x %d\n", info->path, info->vendor_id, info->product_id, info->interface_number);
    if (argc > 1 && std::strcmp(argv[1], "exchange") == 0 && list)
        exchange(list->path);
    if (argc > 1 && std::strcmp(argv[1], "silent") == 0 && list)
        timeSilentGet(list->path);
    hid_free_enumeration(list);
    return hid_exit();
}
