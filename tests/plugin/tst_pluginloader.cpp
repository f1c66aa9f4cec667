// SPDX-License-Identifier: GPL-3.0-or-later
// The plug-in as the program meets it: found by Qt's generic plug-in factory,
// reached only through meta-object names and queued invocations. Every name
// the program reaches the plug-in by is checked here against the built module.
#include "corvanedrivernames.h"
#include "hotplugtestkit.h"

#include <QCoreApplication>
#include <QGenericPlugin>
#include <QGenericPluginFactory>
#include <QJsonArray>
#include <QMetaMethod>
#include <QPluginLoader>
#include <QSignalSpy>
#include <QTest>

#include <functional>
#include <memory>
#include <vector>

using CorvaneSim::Bus;
using namespace CorvaneDriverNames;
using namespace HotplugTestKit;

namespace {

using Object = std::unique_ptr<QObject>;

const QString DeviceKey = QLatin1String(FactoryKey::DeviceManager);
const QString WidgetKey = QLatin1String(FactoryKey::NotificationWidget);

Object create(const QString &key)
{
    return Object(QGenericPluginFactory::create(key, QString()));
}

/// The object's own meta-methods as "signal name(types)" or "slot name(types)".
QStringList ownMethods(const QObject &object)
{
    const QMetaObject *meta = object.metaObject();
    QStringList found;
    for (int i = meta->methodOffset(); i < meta->methodCount(); ++i) {
        const QMetaMethod method = meta->method(i);
        const char *kind = method.methodType() == QMetaMethod::Signal ? "signal" : "slot";
        found << QStringLiteral("%1%2 %3")
                     .arg(method.access() == QMetaMethod::Public ? "" : "non-public ", kind,
                          QString::fromLatin1(method.methodSignature()));
    }
    return found;
}

/// A method of the names header as ownMethods() describes it.
QString described(const Signal &signal)
{
    return QStringLiteral("signal ") + QLatin1String(signal.signature());
}

QString described(const Slot &slot)
{
    return QStringLiteral("slot ") + QLatin1String(slot.signature());
}

QList<QObject *> drivers(const QObject &manager)
{
    QList<QObject *> found;
    for (QObject *child : manager.children()) {
        if (qstrcmp(child->metaObject()->className(), "CorvaneHIDDriver") == 0)
            found << child;
    }
    return found;
}

/// Posts the calls with which the main window binds the two objects, and runs them.
bool bindAsTheProgramDoes(QObject *manager, QObject *widget)
{
    const bool posted =
        QMetaObject::invokeMethod(widget, NotificationWidget::RegisterDeviceNotification.name(), Qt::QueuedConnection)
        && QMetaObject::invokeMethod(manager, DeviceManager::SetMonitorWidget.name(), Qt::QueuedConnection,
                                     Q_ARG(QObject *, widget))
        && QMetaObject::invokeMethod(manager, DeviceManager::AddSupportedDeviceID.name(), Qt::QueuedConnection,
                                     Q_ARG(quint16, VendorId), Q_ARG(quint16, ProductId));
    QCoreApplication::processEvents();
    return posted;
}

} // namespace

class TestPluginLoader : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void metadata_data();
    void metadata();
    void create_data();
    void create();
    void metaObjects_data();
    void metaObjects();
    void managersAreIndependent();
    void hotplugAndDriverAsTheProgramUsesThem_data();
    void hotplugAndDriverAsTheProgramUsesThem();
};

void TestPluginLoader::initTestCase()
{
    QVERIFY(QFile::exists(QStringLiteral(CORVANE_SIM_PLUGIN_FILE)));
    QCoreApplication::addLibraryPath(QStringLiteral(CORVANE_SIM_PLUGIN_DIR));
}

void TestPluginLoader::init()
{
    Bus::instance().reset();
}

void TestPluginLoader::metadata_data()
{
    QTest::addColumn<QString>("file");
    QTest::newRow("simulated") << QStringLiteral(CORVANE_SIM_PLUGIN_FILE);
    QTest::newRow("shipped") << QStringLiteral(CORVANE_PLUGIN_FILE);
}

void TestPluginLoader::metadata()
{
    QFETCH(QString, file);

    const QJsonObject data = QPluginLoader(file).metaData();
    QCOMPARE(data.value("IID").toString(), QStringLiteral("org.qt-project.Qt.QGenericPluginFactoryInterface"));
    QCOMPARE(data.value("className").toString(), QStringLiteral("CorvaneHIDProtocolPlugin"));
    QCOMPARE(data.value("MetaData").toObject().value("Keys").toArray(), (QJsonArray{DeviceKey, WidgetKey}));
}

void TestPluginLoader::create_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("argument");
    QTest::addColumn<QString>("className");

    const QString device = DeviceKey;
    const QString widget = WidgetKey;
    QTest::newRow("device") << device << "" << device;
    QTest::newRow("device, lower case") << device.toLower() << "" << device;
    QTest::newRow("device, upper case") << device.toUpper() << "" << device;
    QTest::newRow("device, with argument") << device << "anything:1" << device;
    QTest::newRow("widget") << widget << "" << widget;
    QTest::newRow("widget, lower case") << widget.toLower() << "" << widget;
    QTest::newRow("widget, upper case") << widget.toUpper() << "ignored" << widget;
    QTest::newRow("trailing blank") << device + ' ' << "" << "";
    QTest::newRow("leading blank") << ' ' + widget << "" << "";
    QTest::newRow("prefix") << device.left(device.size() - 1) << "" << "";
    QTest::newRow("driver class") << "CorvaneHIDDriver" << "" << "";
    QTest::newRow("empty") << "" << "" << "";
}

void TestPluginLoader::create()
{
    QFETCH(QString, key);
    QFETCH(QString, argument);
    QFETCH(QString, className);

    // Through the factory, and straight through the plug-in, which sees keys the factory would not pass.
    auto *plugin = qobject_cast<QGenericPlugin *>(QPluginLoader(QStringLiteral(CORVANE_SIM_PLUGIN_FILE)).instance());
    QVERIFY(plugin);
    const Object viaFactory(QGenericPluginFactory::create(key, argument));
    const Object viaPlugin(plugin->create(key, argument));
    for (const Object &made : {std::cref(viaFactory), std::cref(viaPlugin)}) {
        QCOMPARE(made ? QString::fromLatin1(made->metaObject()->className()) : QString(), className);
        if (made)
            QCOMPARE(made->parent(), nullptr);
    }
}

void TestPluginLoader::metaObjects_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QStringList>("methods");
    QTest::addColumn<QStringList>("named"); // the same, as the names header spells them

    QTest::newRow("device manager") << DeviceKey << QStringList{
        "signal supportedDeviceOpened(QString,QObject*)",
        "signal supportedDeviceClosed(QString,QObject*)",
        "slot addSupportedDeviceID(ushort,ushort)",
        "slot setMonitorWidget(QObject*)",
        "slot tryConnectSupportedDevice()",
        "slot connectDeviceByPath(QString)",
        "slot disconnectDeviceByPath(QString)",
        // What corvane-ctl asks besides.
        "slot supportedDevicePaths()",
        "slot deviceHolder(QString)",
        "slot isConnecting()",
    } << QStringList{
        described(DeviceManager::SupportedDeviceOpened),
        described(DeviceManager::SupportedDeviceClosed),
        described(DeviceManager::AddSupportedDeviceID),
        described(DeviceManager::SetMonitorWidget),
        described(DeviceManager::TryConnectSupportedDevice),
        described(DeviceManager::ConnectDeviceByPath),
        described(DeviceManager::DisconnectDeviceByPath),
        described(DeviceManager::SupportedDevicePaths),
        described(DeviceManager::DeviceHolder),
        described(DeviceManager::IsConnecting),
    };
    QTest::newRow("notification widget") << WidgetKey << QStringList{
        "signal deviceConnected(QString)",
        "signal deviceDisconnected(QString)",
        "slot registerDeviceNotification()",
        "slot unregisterDeviceNotification()",
    } << QStringList{
        described(NotificationWidget::DeviceConnected),
        described(NotificationWidget::DeviceDisconnected),
        described(NotificationWidget::RegisterDeviceNotification),
        described(NotificationWidget::UnregisterDeviceNotification),
    };
}

void TestPluginLoader::metaObjects()
{
    QFETCH(QString, key);
    QFETCH(QStringList, methods);

    const Object made = ::create(key);
    QVERIFY(made);
    QCOMPARE(ownMethods(*made), methods);
    QTEST(methods, "named");
}

void TestPluginLoader::managersAreIndependent()
{
    const Object first = ::create(DeviceKey);
    const Object second = ::create(DeviceKey);
    QVERIFY(first && second && first != second);
    const QList<QObject *> firstDrivers = drivers(*first);
    const QList<QObject *> secondDrivers = drivers(*second);
    QCOMPARE(firstDrivers.size(), 2);
    QCOMPARE(secondDrivers.size(), 2);
    for (QObject *driver : firstDrivers)
        QVERIFY(!secondDrivers.contains(driver));

    // Only the first knows the controller's id.
    plug(QStringLiteral("v2000"));
    QSignalSpy firstOpened(first.get(), DeviceManager::SupportedDeviceOpened.signal());
    QSignalSpy secondOpened(second.get(), DeviceManager::SupportedDeviceOpened.signal());
    QVERIFY(QMetaObject::invokeMethod(first.get(), DeviceManager::AddSupportedDeviceID.name(), Qt::QueuedConnection,
                                      Q_ARG(quint16, VendorId), Q_ARG(quint16, ProductId)));
    for (const Object &manager : {std::cref(first), std::cref(second)}) {
        QVERIFY(QMetaObject::invokeMethod(manager.get(), DeviceManager::TryConnectSupportedDevice.name(),
                                          Qt::QueuedConnection));
    }
    // The second manager, knowing no id, never starts an open.
    QTRY_COMPARE(firstOpened.count(), 1);
    QCOMPARE(secondOpened.count(), 0);
    QVERIFY(firstDrivers.contains(firstOpened.at(0).at(1).value<QObject *>()));
}

void TestPluginLoader::hotplugAndDriverAsTheProgramUsesThem_data()
{
    QTest::addColumn<QString>("controller");
    QTest::newRow("v1100") << "v1100";
    QTest::newRow("v2000") << "v2000";
}

void TestPluginLoader::hotplugAndDriverAsTheProgramUsesThem()
{
    QFETCH(QString, controller);

    const Object manager = ::create(DeviceKey);
    const Object widget = ::create(WidgetKey);
    QSignalSpy opened(manager.get(), DeviceManager::SupportedDeviceOpened.signal());
    QSignalSpy closed(manager.get(), DeviceManager::SupportedDeviceClosed.signal());
    QVERIFY(bindAsTheProgramDoes(manager.get(), widget.get()));
    plug(controller);
    QTRY_COMPARE(opened.count(), 1);
    QCOMPARE(opened.at(0).at(0).toString(), simPath(1));
    QObject *driver = opened.at(0).at(1).value<QObject *>();
    QCOMPARE(driver->metaObject()->className(), "CorvaneHIDDriver");
    QCOMPARE(driver->parent(), manager.get());

    const QMetaObject *meta = driver->metaObject();
    std::vector<Signal> signalList(Driver::FanRpmChangedSignals.begin(), Driver::FanRpmChangedSignals.end());
    signalList.push_back(Driver::DevicePowerChanged);
    for (const Signal &signal : signalList)
        QVERIFY2(meta->indexOfSignal(signal.signature()) >= 0, signal.signature());
    std::vector<Slot> slotList(Driver::EnableFanSlots.begin(), Driver::EnableFanSlots.end());
    slotList.insert(slotList.end(), {Driver::EnableAutoHibernateFan, Driver::EnableAutoRunFan, Driver::EnableLed,
                                     Driver::EnableAutoHibernateLed, Driver::EnableAutoRunLed,
                                     Driver::SendLedLawFile, Driver::SaveConfiguration});
    for (const Slot &slot : slotList) {
        const int index = meta->indexOfSlot(slot.signature());
        QVERIFY2(index >= 0 && meta->method(index).access() == QMetaMethod::Public, slot.signature());
    }
    // What every controller publishes once open; the v2000 family's own properties are checked in
    // tst_protocolconformance.
    std::vector<const char *> properties(Driver::FanDutyProperties.begin(), Driver::FanDutyProperties.end());
    properties.insert(properties.end(), {Driver::PowerAdapter, Driver::FirmwareVersion, Driver::ProtocolVersion,
                                         Driver::HardwareVersion, Driver::Model, Driver::CpuId, Driver::LedPower,
                                         Driver::IntervalTimeMs, Driver::LawCount, Driver::FanAutoRun,
                                         Driver::LedAutoRun, Driver::FanShutdownOnDisconnect,
                                         Driver::LedShutdownOnDisconnect});
    for (const char *property : properties)
        QVERIFY2(driver->property(property).isValid(), property);

    QVERIFY(QMetaObject::invokeMethod(driver, Driver::enableFan(2).name(), Qt::QueuedConnection, Q_ARG(int, 60)));
    QCoreApplication::processEvents();
    QCOMPARE(driver->property(Driver::fanDutyProperty(2)).toInt(), 60);

    Bus::instance().unplug(1);
    QCOMPARE(closed.count(), 1);
    QCOMPARE(closed.at(0).at(1).value<QObject *>(), driver);
}

QTEST_MAIN(TestPluginLoader)
#include "tst_pluginloader.moc"
