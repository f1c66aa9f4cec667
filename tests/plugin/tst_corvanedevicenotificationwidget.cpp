// SPDX-License-Identifier: GPL-3.0-or-later
#include "corvanedevicenotificationwidget.h"
#include "hotplugtestkit.h"

#include <QSignalSpy>
#include <QTest>

using CorvaneSim::Bus;
using namespace HotplugTestKit;

class TestCorvaneDeviceNotificationWidget : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void handleDeviceEvent_data();
    void handleDeviceEvent();
    void registrationReportsEachInterfaceOnce();
    void unregisterStopsEvents();
};

void TestCorvaneDeviceNotificationWidget::init()
{
    Bus::instance().reset();
}

void TestCorvaneDeviceNotificationWidget::handleDeviceEvent_data()
{
    QTest::addColumn<QString>("subsystem");
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("devnode");
    QTest::addColumn<QStringList>("connected");
    QTest::addColumn<QStringList>("disconnected");

    const QString node = QStringLiteral("/dev/hidraw3");
    QTest::newRow("add") << "hidraw" << "add" << node << QStringList{node} << QStringList();
    QTest::newRow("remove") << "hidraw" << "remove" << node << QStringList() << QStringList{node};
    for (const char *action : {"change", "bind", "unbind", "move", "ADD", ""})
        QTest::addRow("action '%s'", action) << "hidraw" << action << node << QStringList() << QStringList();
    QTest::newRow("usb add") << "usb" << "add" << "/dev/bus/usb/001/004" << QStringList() << QStringList();
    QTest::newRow("input remove") << "input" << "remove" << "/dev/input/event3" << QStringList() << QStringList();
    QTest::newRow("no subsystem") << "" << "add" << node << QStringList() << QStringList();
    QTest::newRow("add without node") << "hidraw" << "add" << "" << QStringList() << QStringList();
    QTest::newRow("remove without node") << "hidraw" << "remove" << "" << QStringList() << QStringList();
}

void TestCorvaneDeviceNotificationWidget::handleDeviceEvent()
{
    QFETCH(QString, subsystem);
    QFETCH(QString, action);
    QFETCH(QString, devnode);
    QFETCH(QStringList, connected);
    QFETCH(QStringList, disconnected);

    CorvaneDeviceNotificationWidget widget;
    QSignalSpy connectedSpy(&widget, &CorvaneDeviceNotificationWidget::deviceConnected);
    QSignalSpy disconnectedSpy(&widget, &CorvaneDeviceNotificationWidget::deviceDisconnected);
    widget.handleDeviceEvent(subsystem, action, devnode);

    QCOMPARE(signalledPaths(connectedSpy), connected);
    QCOMPARE(signalledPaths(disconnectedSpy), disconnected);
}

void TestCorvaneDeviceNotificationWidget::registrationReportsEachInterfaceOnce()
{
    CorvaneDeviceNotificationWidget widget;
    QSignalSpy connected(&widget, &CorvaneDeviceNotificationWidget::deviceConnected);
    QSignalSpy disconnected(&widget, &CorvaneDeviceNotificationWidget::deviceDisconnected);
    widget.unregisterDeviceNotification();
    // A second registration replaces the first rather than doubling every event.
    widget.registerDeviceNotification();
    widget.registerDeviceNotification();

    plug(QStringLiteral("v2000,interfaces=2"));
    QCOMPARE(signalledPaths(connected), (QStringList{simPath(1, 0), simPath(1, 1)}));
    Bus::instance().unplug(1);
    QCOMPARE(signalledPaths(disconnected), (QStringList{simPath(1, 0), simPath(1, 1)}));
    QVERIFY(widget.isHidden());
}

void TestCorvaneDeviceNotificationWidget::unregisterStopsEvents()
{
    CorvaneDeviceNotificationWidget widget;
    QSignalSpy connected(&widget, &CorvaneDeviceNotificationWidget::deviceConnected);
    widget.registerDeviceNotification();
    widget.unregisterDeviceNotification();
    plug(QStringLiteral("v2000"));
    QCOMPARE(connected.count(), 0);

    widget.registerDeviceNotification();
    plug(QStringLiteral("v1100"));
    QCOMPARE(signalledPaths(connected), QStringList{simPath(2)});

    // A widget destroyed while registered must not be called afterwards.
    auto *registered = new CorvaneDeviceNotificationWidget;
    registered->registerDeviceNotification();
    delete registered;
    plug(QStringLiteral("v1100"));
    Bus::instance().reset();
    QCOMPARE(connected.count(), 2);
}

QTEST_MAIN(TestCorvaneDeviceNotificationWidget)
#include "tst_corvanedevicenotificationwidget.moc"
