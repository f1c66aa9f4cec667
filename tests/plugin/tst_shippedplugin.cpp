// SPDX-License-Identifier: GPL-3.0-or-later
// The shipped plug-in in a process that carries no simulator, so that every
// HID call it makes must be resolved by the system's hidapi.
#include "corvanedrivernames.h"

#include <QCoreApplication>
#include <QGenericPlugin>
#include <QPluginLoader>
#include <QTest>

#include <link.h>

#include <memory>

namespace {

QStringList loadedLibraries()
{
    QStringList names;
    dl_iterate_phdr(
        [](dl_phdr_info *info, size_t, void *data) {
            static_cast<QStringList *>(data)->append(QString::fromLocal8Bit(info->dlpi_name));
            return 0;
        },
        &names);
    return names;
}

} // namespace

class TestShippedPlugin : public QObject
{
    Q_OBJECT

private slots:
    void loadsAgainstSystemHidapi();
};

void TestShippedPlugin::loadsAgainstSystemHidapi()
{
    QPluginLoader loader(QStringLiteral(CORVANE_PLUGIN_FILE));
    loader.setLoadHints(QLibrary::ResolveAllSymbolsHint);
    QVERIFY2(loader.load(), qPrintable(loader.errorString()));
    const QString libraries = loadedLibraries().join('\n');
    QVERIFY2(libraries.contains(QLatin1String("libhidapi-hidraw")), qPrintable(libraries));
    QVERIFY2(!libraries.contains(QLatin1String("corvane-hidsim")), qPrintable(libraries));

    using namespace CorvaneDriverNames;
    auto *plugin = qobject_cast<QGenericPlugin *>(loader.instance());
    QVERIFY(plugin);
    const std::unique_ptr<QObject> manager(plugin->create(QLatin1String(FactoryKey::DeviceManager), QString()));
    const std::unique_ptr<QObject> widget(plugin->create(QLatin1String(FactoryKey::NotificationWidget), QString()));
    QVERIFY(manager && widget);
    QCOMPARE(manager->metaObject()->className(), "CorvaneHIDDevice");
    QCOMPARE(widget->metaObject()->className(), "CorvaneDeviceNotificationWidget");

    // A sandbox may refuse the udev monitor; the widget must then carry on
    // without hot-plug. Whatever controller is present may or may not open.
    const char *const registerNotification = NotificationWidget::RegisterDeviceNotification.name();
    QVERIFY(QMetaObject::invokeMethod(widget.get(), registerNotification));
    QVERIFY(QMetaObject::invokeMethod(manager.get(), DeviceManager::SetMonitorWidget.name(),
                                      Q_ARG(QObject *, widget.get())));
    QVERIFY(QMetaObject::invokeMethod(manager.get(), DeviceManager::AddSupportedDeviceID.name(),
                                      Q_ARG(quint16, 0x2a0e), Q_ARG(quint16, 0x1000)));
    QVERIFY(QMetaObject::invokeMethod(manager.get(), DeviceManager::TryConnectSupportedDevice.name()));
    QVERIFY(QMetaObject::invokeMethod(widget.get(), registerNotification));
    QCoreApplication::processEvents();
    QVERIFY(QMetaObject::invokeMethod(widget.get(), NotificationWidget::UnregisterDeviceNotification.name()));
}

QTEST_MAIN(TestShippedPlugin)
#include "tst_shippedplugin.moc"
