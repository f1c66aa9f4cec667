// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QTemporaryDir>

/**
 * A sysfs tree of hwmon devices in a temporary folder, laid out as the kernel
 * does: <root>/class/hwmon/hwmonN links to the device's hwmon folder, whose
 * "device" links back to the device.
 */
class FakeHwmon final
{
public:
    FakeHwmon();

    QString root() const { return m_dir.path(); }

    /**
     * hwmon @p number named @p name, belonging to the device at @p devicePath
     * (below <root>/devices); with an empty @p devicePath a plain folder
     * without links, as a thermal zone's.
     */
    void addDevice(int number, const QString &name, const QString &devicePath = QString());
    /// temp@p index _input holding @p content, with @p label unless it is empty.
    void setInput(int number, int index, const QByteArray &content, const QString &label = QString());
    void removeDevice(int number);

private:
    QString hwmonDir(int number) const;
    static void write(const QString &path, const QByteArray &content);

    QTemporaryDir m_dir;
};
