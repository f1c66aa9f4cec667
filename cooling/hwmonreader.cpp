// SPDX-License-Identifier: GPL-3.0-or-later
#include "hwmonreader.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>

#include <algorithm>
#include <tuple>
#include <utility>

namespace {

QString readLine(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(file.readLine(256)).trimmed();
}

// What stays the same across boots: the device the hwmon entry belongs to,
// or for one without a device (thermal zones) the folder that holds it.
QString deviceKeyOf(const QString &hwmonDir)
{
    const QString device = QFileInfo(hwmonDir + QLatin1String("/device")).canonicalFilePath();
    return device.isEmpty() ? QFileInfo(hwmonDir).canonicalPath() : device;
}

} // namespace

HwmonReader::HwmonReader(QString sysfsRoot)
    : m_root(std::move(sysfsRoot))
{
}

QVector<HwmonReader::Input> HwmonReader::inputs() const
{
    return withUniqueIds(scan());
}

std::optional<HwmonReader::Input> HwmonReader::find(const QString &id) const
{
    const QVector<Input> present = inputs();
    const auto input = std::find_if(present.cbegin(), present.cend(), [&id](const Input &in) { return in.id == id; });
    if (input == present.cend())
        return std::nullopt;
    return *input;
}

std::optional<double> HwmonReader::readCelsius(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    // A sensor that fails answers the read with an error such as EIO or ENXIO.
    const QByteArray text = file.readLine(32).trimmed();
    bool ok = false;
    const qlonglong millidegrees = text.toLongLong(&ok);
    if (!ok)
        return std::nullopt;
    return double(millidegrees) / 1000.0;
}

QVector<HwmonReader::Found> HwmonReader::scan() const
{
    QVector<Found> found;
    const QDir classDir(m_root + QLatin1String("/class/hwmon"));
    const QStringList entries = classDir.entryList({QStringLiteral("hwmon*")}, QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &entry : entries)
        scanDevice(classDir.filePath(entry), found);
    return found;
}

void HwmonReader::scanDevice(const QString &hwmonDir, QVector<Found> &found)
{
    const QString deviceName = readLine(hwmonDir + QLatin1String("/name"));
    if (deviceName.isEmpty())
        return;
    const QString deviceKey = deviceKeyOf(hwmonDir);
    const QDir dir(hwmonDir);
    const QStringList inputFiles = dir.entryList({QStringLiteral("temp*_input")}, QDir::Files);
    for (const QString &inputFile : inputFiles) {
        const QString stem = inputFile.left(inputFile.size() - int(qstrlen("_input")));
        QString label = readLine(dir.filePath(stem + QLatin1String("_label")));
        if (label.isEmpty())
            label = stem;
        found.append({QStringLiteral("hwmon:%1/%2").arg(deviceName, label), deviceName + QLatin1Char(' ') + label,
                      dir.filePath(inputFile), deviceKey});
    }
}

QVector<HwmonReader::Input> HwmonReader::withUniqueIds(QVector<Found> found)
{
    std::sort(found.begin(), found.end(), [](const Found &a, const Found &b) {
        return std::tie(a.baseId, a.deviceKey, a.path) < std::tie(b.baseId, b.deviceKey, b.path);
    });
    QVector<Input> inputs;
    QHash<QString, int> seen;
    for (const Found &one : found) {
        const int count = ++seen[one.baseId];
        if (count == 1)
            inputs.append({one.baseId, one.name, one.path});
        else
            inputs.append({one.baseId + QStringLiteral("#%1").arg(count),
                           one.name + QStringLiteral(" #%1").arg(count), one.path});
    }
    return inputs;
}
