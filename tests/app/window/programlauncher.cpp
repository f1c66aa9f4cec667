// SPDX-License-Identifier: GPL-3.0-or-later
#include "programlauncher.h"

#include "platform/instancemarker.h"

#include <QDir>
#include <QFile>

#ifndef Q_OS_WIN
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

// Wine runs the offscreen platform into a hang; its windows go to the X
// server the suite runs on.
#ifdef Q_OS_WIN
constexpr char Platform[] = "windows";
#else
constexpr char Platform[] = "offscreen";
#endif

const char *const Folders[][2] = {
    {"HOME", "home"},
    {"XDG_CONFIG_HOME", "config"},
    {"XDG_RUNTIME_DIR", "runtime"},
    {"TMPDIR", "tmp"},
};

QProcessEnvironment sandboxEnvironment(const QString &folders, const QProcessEnvironment &extra)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const auto &folder : Folders)
        environment.insert(QLatin1String(folder[0]), folders + QLatin1Char('/') + QLatin1String(folder[1]));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QLatin1String(Platform));
    environment.insert(QStringLiteral("CORVANE_SIM_DEVICES"), QStringLiteral("v2000"));
    environment.insert(extra);
    return environment;
}

std::unique_ptr<QProcess> launch(const QString &program, const QStringList &arguments,
                                 const QProcessEnvironment &environment)
{
    auto process = std::make_unique<QProcess>();
    process->setProcessEnvironment(environment);
    process->setProcessChannelMode(QProcess::ForwardedChannels);
    process->setWorkingDirectory(environment.value(QStringLiteral("HOME")));
    process->start(program, arguments);
    return process;
}

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
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(path(QStringLiteral("runtime"))));
}

std::unique_ptr<QProcess> ProgramLauncher::start(const QString &program, const QProcessEnvironment &extra) const
{
    return launch(program, {}, sandboxEnvironment(m_root.path(), extra));
}

#ifndef Q_OS_WIN
void ProgramLauncher::removeStaleMarker()
{
    const auto stale = InstanceMarker::make();
    if (stale->attach())
        stale->detach();
}

std::unique_ptr<QProcess> ProgramLauncher::startAsUser(uint uid, uint gid, const QString &program,
                                                       const QProcessEnvironment &extra) const
{
    const QString folders = userFolders(uid, gid);
    if (folders.isEmpty())
        return nullptr;
    QProcessEnvironment shared = sandboxEnvironment(folders, extra);
    shared.insert(QStringLiteral("TMPDIR"), path(QStringLiteral("tmp")));
    return launch(QStringLiteral("setpriv"),
                  {QStringLiteral("--reuid=%1").arg(uid), QStringLiteral("--regid=%1").arg(gid),
                   QStringLiteral("--clear-groups"), QStringLiteral("--"), program},
                  shared);
}

// The sandbox is root's: the other user needs a way through it and a shared
// temporary folder it may write to, as /tmp is.
QString ProgramLauncher::userFolders(uint uid, uint gid) const
{
    const QString folders = path(QStringLiteral("user-%1").arg(uid));
    bool made = chmod(QFile::encodeName(m_root.path()), 0711) == 0
        && chmod(QFile::encodeName(path(QStringLiteral("tmp"))), 01777) == 0;
    for (const auto &folder : Folders) {
        const QByteArray own = QFile::encodeName(folders + QLatin1Char('/') + QLatin1String(folder[1]));
        made = made && QDir().mkpath(QFile::decodeName(own)) && chown(own, uid, gid) == 0 && chmod(own, 0700) == 0;
    }
    return made ? folders : QString();
}
#endif
