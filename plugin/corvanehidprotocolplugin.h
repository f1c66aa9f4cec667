// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QGenericPlugin>

/**
 * Entry of the plug-in library: makes the device manager and the hot-plug
 * widget by key. Every call makes a fresh object that belongs to the caller.
 */
class CorvaneHIDProtocolPlugin : public QGenericPlugin
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID "org.qt-project.Qt.QGenericPluginFactoryInterface" FILE "cvhidprt_qt5.json")
public:
    using QGenericPlugin::QGenericPlugin;

    QObject *create(const QString &key, const QString &argument) override;
};
