// SPDX-License-Identifier: GPL-3.0-or-later
#include "fakehwmon.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

FakeHwmon::FakeHwmon()
{
    QDir(m_dir.path()).mkpath(QStringLiteral("class/hwmon"));
}

QString FakeHwmon::hwmonDir(int number) const
{
    return m_dir.filePath(QStringLiteral("class/hwmon/hwmon%1").arg(number));
}

void FakeHwmon::write(const QString &path, const QByteArray &content)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(content);
}

void FakeHwmon::addDevice(int number, const QString &name, const QString &devicePath)
{
    if (devicePath.isEmpty()) {
        QDir().mkpath(hwmonDir(number));
    } else {
        const QString device = m_dir.filePath(QStringLiteral("devices/") + devicePath);
        const QString target = device + QStringLiteral("/hwmon/hwmon%1").arg(number);
        QDir().mkpath(target);
        QFile::link(device, target + QStringLiteral("/device"));
        QFile::link(target, hwmonDir(number));
    }
    write(hwmonDir(number) + QStringLiteral("/name"), name.toUtf8() + '\n');
}

void FakeHwmon::setInput(int number, int index, const QByteArray &content, const QString &label)
{
    const QString stem = hwmonDir(number) + QStringLiteral("/temp%1").arg(index);
    write(stem + QStringLiteral("_input"), content);
    if (!label.isEmpty())
        write(stem + QStringLiteral("_label"), label.toUtf8() + '\n');
}

void FakeHwmon::removeDevice(int number)
{
    const QFileInfo entry(hwmonDir(number));
    if (entry.isSymLink()) {
        QDir(entry.symLinkTarget()).removeRecursively();
        QFile::remove(entry.filePath());
    } else {
        QDir(entry.filePath()).removeRecursively();
    }
}
