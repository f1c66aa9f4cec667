// SPDX-License-Identifier: GPL-3.0-or-later
#include "programlauncher.h"

#include "platform/instancemarker.h"

#include <QDir>
#include <QFile>
#include <QSystemSemaphore>

namespace {

const char *const Folders[][2] = {
    {"HOME", "home"},
    {"XDG_CONFIG_HOME", "config"},
    {"XDG_RUNTIME_DIR", "runtime"},
    {"TMPDIR", "tmp"},
};

} // namespace

ProgramLauncher::ProgramLauncher()
{
    for (const auto &folder : Folders)
        QDir().mkpath(path(QLatin1String(folder[1])));
    QFile::setPermissions(path(QStringLiteral("runtime")), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

void ProgramLauncher::isolate() const
{
    qputenv("TMPDIR", QFile::encodeName(path(QStringLiteral("tmp"))));
}

void ProgramLauncher::removeStaleMarker()
{
    QSharedMemory stale(InstanceMarker::key());
    if (stale.attach())
        stale.detach();
    // The segment's lock is a semaphore that a killed process leaves behind
    // too; one made in Create mode is removed again when it goes.
    QSystemSemaphore lock(InstanceMarker::key(), 1, QSystemSemaphore::Create);
}

std::unique_ptr<QProcess> ProgramLauncher::start(const QString &program, const QProcessEnvironment &extra) const
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const auto &folder : Folders)
        environment.insert(QLatin1String(folder[0]), path(QLatin1String(folder[1])));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("CORVANE_SIM_DEVICES"), QStringLiteral("v2000"));
    environment.insert(extra);

    auto process = std::make_unique<QProcess>();
    process->setProcessEnvironment(environment);
    process->setProcessChannelMode(QProcess::ForwardedChannels);
    process->setWorkingDirectory(path(QStringLiteral("home")));
    process->start(program, QStringList());
    return process;
}
