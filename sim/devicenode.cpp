// SPDX-License-Identifier: GPL-3.0-or-later
// The simulated interfaces' stand-in for device nodes, where the plug-in's
// claim takes its lock: one file per interface path in CORVANE_SIM_DEV_DIR
// (by default corvane-sim-dev in the temporary folder). Processes that each
// simulate the same controllers lock the same file, as processes that open
// one real controller lock the same node.
#include "buscore.h"
#include "corvanecontrollerlock.h"

#include <QDir>
#include <QFile>

using CorvaneSim::BusCore;

namespace {

QString deviceFolder()
{
    const QString configured = qEnvironmentVariable("CORVANE_SIM_DEV_DIR");
    return configured.isEmpty() ? QDir(QDir::tempPath()).filePath(QStringLiteral("corvane-sim-dev")) : configured;
}

} // namespace

QString CorvaneControllerLock::nodeOf(const QString &devPath)
{
    if (!BusCore::instance().paths().contains(devPath, Qt::CaseInsensitive))
        return QString();
    const QDir folder(deviceFolder());
    if (!folder.mkpath(QStringLiteral(".")))
        return QString();
    const QString node = folder.filePath(devPath.toLower().replace(QLatin1Char(':'), QLatin1Char('-')));
    QFile file(node);
    // Append: another process may hold the file open and locked right now.
    return file.open(QIODevice::Append) ? node : QString();
}
