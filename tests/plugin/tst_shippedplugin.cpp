// SPDX-License-Identifier: GPL-3.0-or-later
// The shipped plug-in in a process that carries no simulator, so that every
// HID call it makes must be resolved by the system's hidapi (on Windows
// hidapi's backend linked into the module; under wine its hid_init fails,
// which must leave the plug-in without a controller and nothing worse).
#include "corvanedrivernames.h"

#include <QCoreApplication>
#include <QGenericPlugin>
#include <QPluginLoader>
#include <QTest>

#ifdef Q_OS_WIN
#include <qt_windows.h>

#include <psapi.h>
// A macro of windows.h for its A and W forms; here it is the widget's slot.
#undef RegisterDeviceNotification
#else
#include <link.h>
#endif

#include <memory>

namespace {

QStringList loadedLibraries()
{
    QStringList names;
#ifdef Q_OS_WIN
    HMODULE modules[1024];
    DWORD bytes = 0;
    if (!EnumProcessModules(GetCurrentProcess(), modules, sizeof modules, &bytes))
        return names;
    for (DWORD i = 0; i < bytes / sizeof(HMODULE); ++i) {
        wchar_t name[MAX_PATH];
        if (GetModuleFileNameW(modules[i], name, MAX_PATH))
            names.append(QString::fromWCharArray(name));
    }
#else
    dl_iterate_phdr(
        [](dl_phdr_info *info, size_t, void *data) {
            static_cast<QStringList *>(data)->append(QString::fromLocal8Bit(info->dlpi_name));
            return 0;
        },
        &names);
#endif
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
#ifndef Q_OS_WIN
    QVERIFY2(libraries.contains(QLatin1String("libhidapi-hidraw")), qPrintable(libraries));
#endif
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
    // Under wine hidapi cannot start at all, and no controller is found.
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
