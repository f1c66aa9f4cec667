// SPDX-License-Identifier: GPL-3.0-or-later
// The shipped Windows plug-in's hot-plug backend: the notification widget's
// window is registered for the HID interface class, and the WM_DEVICECHANGE
// arrivals and removals it then receives are reported by interface name,
// which is the path hidapi opens.
#include "corvanehotplugmonitor.h"
#include "corvanepluginlogging.h"

#include <QWidget>

#include <qt_windows.h>

#include <dbt.h>
// MinGW's HID header declares its functions without C linkage for C++.
extern "C" {
#include <hidsdi.h>
}

#include <cstddef>
#include <cwchar>

namespace {

class CorvaneWin32HotplugMonitor final : public CorvaneHotplugMonitor
{
public:
    CorvaneWin32HotplugMonitor(HDEVNOTIFY registration, QWidget *window)
        : CorvaneHotplugMonitor(window), m_registration(registration)
    {
    }

    ~CorvaneWin32HotplugMonitor() override { UnregisterDeviceNotification(m_registration); }

    bool nativeMessage(const QByteArray &eventType, void *message, long *result) override;

private:
    void report(const QString &action, const DEV_BROADCAST_DEVICEINTERFACE_W &header);

    HDEVNOTIFY m_registration;
};

// Only arrival and removal carry a broadcast header in lParam; other events
// carry an integer there, or nothing. The header's own size says how much of
// it there is to read.
const DEV_BROADCAST_DEVICEINTERFACE_W *deviceInterface(WPARAM event, LPARAM lParam)
{
    if (event != DBT_DEVICEARRIVAL && event != DBT_DEVICEREMOVECOMPLETE)
        return nullptr;
    const auto *header = reinterpret_cast<const DEV_BROADCAST_HDR *>(lParam);
    if (!header || header->dbch_size < sizeof(DEV_BROADCAST_HDR) || header->dbch_devicetype != DBT_DEVTYP_DEVICEINTERFACE)
        return nullptr;
    return reinterpret_cast<const DEV_BROADCAST_DEVICEINTERFACE_W *>(header);
}

// The name runs to its terminating zero, but never past the size the header
// gives for itself.
QString interfaceName(const DEV_BROADCAST_DEVICEINTERFACE_W &header)
{
    constexpr std::size_t nameOffset = offsetof(DEV_BROADCAST_DEVICEINTERFACE_W, dbcc_name);
    if (header.dbcc_size <= nameOffset)
        return QString();
    const std::size_t capacity = (header.dbcc_size - nameOffset) / sizeof(wchar_t);
    return QString::fromWCharArray(header.dbcc_name, int(wcsnlen(header.dbcc_name, capacity)));
}

bool CorvaneWin32HotplugMonitor::nativeMessage(const QByteArray &eventType, void *message, long *result)
{
    if (eventType != "windows_generic_MSG")
        return false;
    const MSG &msg = *static_cast<const MSG *>(message);
    if (msg.message != WM_DEVICECHANGE)
        return false;
    const DEV_BROADCAST_DEVICEINTERFACE_W *header = deviceInterface(msg.wParam, msg.lParam);
    *result = TRUE;
    switch (msg.wParam) {
    case DBT_DEVICEARRIVAL:
        if (header)
            report(QStringLiteral("add"), *header);
        return true;
    case DBT_DEVICEREMOVECOMPLETE:
        if (!header)
            return false;
        report(QStringLiteral("remove"), *header);
        return true;
    default:
        return false;
    }
}

void CorvaneWin32HotplugMonitor::report(const QString &action, const DEV_BROADCAST_DEVICEINTERFACE_W &header)
{
    const QString path = interfaceName(header);
    if (!path.isEmpty())
        emit deviceEvent(QStringLiteral("hidraw"), action, path);
}

} // namespace

CorvaneHotplugMonitor *CorvaneHotplugMonitor::create(QWidget *window)
{
    DEV_BROADCAST_DEVICEINTERFACE_W filter{};
    filter.dbcc_size = sizeof filter;
    filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    HidD_GetHidGuid(&filter.dbcc_classguid);
    // Asking for the window id creates the hidden widget's native window.
    const auto handle = reinterpret_cast<HANDLE>(window->winId());
    const HDEVNOTIFY registration = RegisterDeviceNotificationW(handle, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
    if (!registration) {
        qCWarning(lcCorvanePlugin, "cannot register for HID device changes (error %lu); "
                                   "only devices present at start are found", GetLastError());
        return nullptr;
    }
    return new CorvaneWin32HotplugMonitor(registration, window);
}

// Windows names each HID interface after its device, "...#vid_2a0e&pid_1000#...",
// in whatever case the driver chose.
bool CorvaneHotplugMonitor::isPathOfDevice(const QString &devPath, quint16 vendorId, quint16 productId)
{
    const QString ids = QStringLiteral("vid_%1&pid_%2")
                            .arg(vendorId, 4, 16, QLatin1Char('0'))
                            .arg(productId, 4, 16, QLatin1Char('0'));
    return devPath.toLower().contains(ids);
}
