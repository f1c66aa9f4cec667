// SPDX-License-Identifier: GPL-3.0-or-later
// The Windows hot-plug backend as Windows drives it: WM_DEVICECHANGE messages
// sent to the notification widget's own window, and the device paths that
// name their controller.
#include "corvanedevicenotificationwidget.h"
#include "corvanehotplugmonitor.h"
#include "hotplugtestkit.h"

#include <QSignalSpy>
#include <QTest>

#include <qt_windows.h>

#include <dbt.h>

#include <cstddef>
#include <vector>

namespace {

const QString ControllerPath = QStringLiteral(R"(\\?\HID#VID_2A0E&PID_1000#7&1c2d3e4f&0&0000#{4d1e55b2-f16f-11cf-88cb-001111000030})");

// A broadcast header of @p deviceType carrying @p name, as the system builds one.
std::vector<char> broadcast(DWORD deviceType, const QString &name)
{
    const std::size_t nameOffset = offsetof(DEV_BROADCAST_DEVICEINTERFACE_W, dbcc_name);
    std::vector<char> buffer(nameOffset + (name.size() + 1) * sizeof(wchar_t));
    auto *header = reinterpret_cast<DEV_BROADCAST_DEVICEINTERFACE_W *>(buffer.data());
    header->dbcc_size = DWORD(buffer.size());
    header->dbcc_devicetype = deviceType;
    name.toWCharArray(header->dbcc_name);
    return buffer;
}

void sendDeviceChange(QWidget &widget, WPARAM event, LPARAM lParam)
{
    SendMessageW(reinterpret_cast<HWND>(widget.winId()), WM_DEVICECHANGE, event, lParam);
}

void sendDeviceChange(QWidget &widget, WPARAM event, std::vector<char> *header)
{
    sendDeviceChange(widget, event, reinterpret_cast<LPARAM>(header ? header->data() : nullptr));
}

} // namespace

using namespace HotplugTestKit;

class TestWin32Hotplug : public QObject
{
    Q_OBJECT

private slots:
    void deviceChangeMessage_data();
    void deviceChangeMessage();
    void unregisteredWindowReportsNothing();
    void pathNamesItsDevice_data();
    void pathNamesItsDevice();
};

void TestWin32Hotplug::deviceChangeMessage_data()
{
    QTest::addColumn<int>("event");
    QTest::addColumn<int>("deviceType");   // -1: no header
    QTest::addColumn<int>("integer");      // lParam itself, not a header, when not 0
    QTest::addColumn<int>("headerSize");   // the size the header gives for itself, when not 0
    QTest::addColumn<QStringList>("connected");
    QTest::addColumn<QStringList>("disconnected");

    QTest::newRow("arrival") << int(DBT_DEVICEARRIVAL) << int(DBT_DEVTYP_DEVICEINTERFACE) << 0 << 0
                             << QStringList{ControllerPath} << QStringList();
    QTest::newRow("removal") << int(DBT_DEVICEREMOVECOMPLETE) << int(DBT_DEVTYP_DEVICEINTERFACE) << 0 << 0 << QStringList()
                             << QStringList{ControllerPath};
    QTest::newRow("volume arrival") << int(DBT_DEVICEARRIVAL) << int(DBT_DEVTYP_VOLUME) << 0 << 0 << QStringList()
                                    << QStringList();
    QTest::newRow("arrival without header") << int(DBT_DEVICEARRIVAL) << -1 << 0 << 0 << QStringList() << QStringList();
    QTest::newRow("removal pending") << int(DBT_DEVICEREMOVEPENDING) << int(DBT_DEVTYP_DEVICEINTERFACE) << 0 << 0
                                     << QStringList() << QStringList();
    QTest::newRow("device nodes changed") << int(DBT_DEVNODES_CHANGED) << -1 << 0 << 0 << QStringList() << QStringList();
    QTest::newRow("configuration changed, integer lParam") << int(DBT_CONFIGCHANGED) << -1 << 0x1234 << 0
                                                           << QStringList() << QStringList();
    QTest::newRow("arrival, header shorter than itself") << int(DBT_DEVICEARRIVAL) << int(DBT_DEVTYP_DEVICEINTERFACE)
                                                         << 0 << 4 << QStringList() << QStringList();
}

void TestWin32Hotplug::deviceChangeMessage()
{
    QFETCH(int, event);
    QFETCH(int, deviceType);
    QFETCH(int, integer);
    QFETCH(int, headerSize);
    QFETCH(QStringList, connected);
    QFETCH(QStringList, disconnected);

    CorvaneDeviceNotificationWidget widget;
    QSignalSpy connectedSpy(&widget, &CorvaneDeviceNotificationWidget::deviceConnected);
    QSignalSpy disconnectedSpy(&widget, &CorvaneDeviceNotificationWidget::deviceDisconnected);
    widget.registerDeviceNotification();
    std::vector<char> header = broadcast(DWORD(deviceType), ControllerPath);
    if (headerSize != 0)
        reinterpret_cast<DEV_BROADCAST_HDR *>(header.data())->dbch_size = DWORD(headerSize);
    if (integer != 0)
        sendDeviceChange(widget, WPARAM(event), LPARAM(integer));
    else
        sendDeviceChange(widget, WPARAM(event), deviceType < 0 ? nullptr : &header);

    QCOMPARE(signalledPaths(connectedSpy), connected);
    QCOMPARE(signalledPaths(disconnectedSpy), disconnected);
    QVERIFY(widget.isHidden());
}

void TestWin32Hotplug::unregisteredWindowReportsNothing()
{
    CorvaneDeviceNotificationWidget widget;
    QSignalSpy connected(&widget, &CorvaneDeviceNotificationWidget::deviceConnected);
    std::vector<char> header = broadcast(DBT_DEVTYP_DEVICEINTERFACE, ControllerPath);
    sendDeviceChange(widget, DBT_DEVICEARRIVAL, &header);
    widget.registerDeviceNotification();
    widget.unregisterDeviceNotification();
    sendDeviceChange(widget, DBT_DEVICEARRIVAL, &header);
    QCOMPARE(connected.count(), 0);
}

void TestWin32Hotplug::pathNamesItsDevice_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("supported");

    QTest::newRow("capitals") << ControllerPath << true;
    QTest::newRow("lower case") << ControllerPath.toLower() << true;
    QTest::newRow("other product") << QStringLiteral(R"(\\?\hid#vid_2a0e&pid_1001#7&0&0000#{...})") << false;
    QTest::newRow("other vendor") << QStringLiteral(R"(\\?\hid#vid_2a0f&pid_1000#7&0&0000#{...})") << false;
    QTest::newRow("ids apart") << QStringLiteral(R"(\\?\hid#vid_2a0e#pid_1000)") << false;
}

void TestWin32Hotplug::pathNamesItsDevice()
{
    QFETCH(QString, path);
    QTEST(CorvaneHotplugMonitor::isPathOfDevice(path, VendorId, ProductId), "supported");
}

QTEST_MAIN(TestWin32Hotplug)
#include "tst_win32hotplug.moc"
