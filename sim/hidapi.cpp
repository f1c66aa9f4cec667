// SPDX-License-Identifier: GPL-3.0-or-later
// The hidapi C functions the plug-in calls, answered by the simulated bus.
#include "buscore.h"

#include <cstdlib>
#include <cstring>
#include <string>

using CorvaneSim::BusCore;

namespace {

// hidapi keeps the error of calls without a device globally; per thread here, so
// that tests on two threads never read each other's text.
thread_local std::wstring globalError = L"Success";

int failGlobally(const wchar_t *why)
{
    globalError = why;
    return -1;
}

char *copyLatin1(const QString &text)
{
    return strdup(text.toLatin1().constData());
}

wchar_t *copyWide(const QString &text)
{
    auto *copy = static_cast<wchar_t *>(calloc(size_t(text.size()) + 1, sizeof(wchar_t)));
    if (copy)
        text.toWCharArray(copy);
    return copy;
}

hid_device_info *newRecord(const BusCore::InterfaceRecord &record)
{
    auto *info = static_cast<hid_device_info *>(calloc(1, sizeof(hid_device_info)));
    if (!info)
        return nullptr;
    info->path = copyLatin1(record.path);
    info->vendor_id = record.config.vendorId;
    info->product_id = record.config.productId;
    info->serial_number = copyWide(QString::fromLatin1(record.config.cpuid.toHex().toUpper()));
    info->release_number = record.config.firmwareVersion;
    info->manufacturer_string = copyWide(QStringLiteral("Corvane"));
    info->product_string = copyWide(QStringLiteral("Corvane cooling and lighting controller (simulated)"));
    info->usage_page = 0xff00;
    info->usage = 0x0001;
    info->interface_number = record.interface;
    info->bus_type = HID_API_BUS_USB;
    return info;
}

} // namespace

extern "C" {

int HID_API_EXPORT HID_API_CALL hid_init(void)
{
    BusCore::instance();
    return 0;
}

int HID_API_EXPORT HID_API_CALL hid_exit(void)
{
    return 0;
}

struct hid_device_info HID_API_EXPORT *HID_API_CALL hid_enumerate(unsigned short vendor_id, unsigned short product_id)
{
    hid_device_info *first = nullptr;
    hid_device_info **link = &first;
    const auto records = BusCore::instance().interfaces(vendor_id, product_id);
    for (const BusCore::InterfaceRecord &record : records) {
        *link = newRecord(record);
        if (!*link)
            break;
        link = &(*link)->next;
    }
    return first;
}

void HID_API_EXPORT HID_API_CALL hid_free_enumeration(struct hid_device_info *devs)
{
    while (devs) {
        hid_device_info *next = devs->next;
        free(devs->path);
        free(devs->serial_number);
        free(devs->manufacturer_string);
        free(devs->product_string);
        free(devs);
        devs = next;
    }
}

HID_API_EXPORT hid_device *HID_API_CALL hid_open_path(const char *path)
{
    if (!path) {
        failGlobally(L"no path given");
        return nullptr;
    }
    hid_device *device = BusCore::instance().open(QString::fromLatin1(path));
    if (!device)
        failGlobally(L"no such device");
    return device;
}

void HID_API_EXPORT HID_API_CALL hid_close(hid_device *dev)
{
    if (dev)
        BusCore::instance().close(dev);
}

int HID_API_EXPORT HID_API_CALL hid_get_feature_report(hid_device *dev, unsigned char *data, size_t length)
{
    if (!dev || !data)
        return failGlobally(L"no device or no buffer");
    return BusCore::instance().getFeature(dev, data, length);
}

int HID_API_EXPORT HID_API_CALL hid_send_feature_report(hid_device *dev, const unsigned char *data, size_t length)
{
    if (!dev || !data)
        return failGlobally(L"no device or no buffer");
    return BusCore::instance().sendFeature(dev, data, length);
}

HID_API_EXPORT const wchar_t *HID_API_CALL hid_error(hid_device *dev)
{
    if (dev) {
        if (const wchar_t *text = BusCore::instance().error(dev))
            return text;
        globalError = L"not an open device";
    }
    return globalError.c_str();
}

} // extern "C"
