// SPDX-License-Identifier: GPL-3.0-or-later
#include "corvanecontrollerlock.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUrl>

#ifndef Q_OS_WIN
#include <unistd.h>
#endif

namespace {

// On Windows a holder keeps its lock file open without leave to delete it,
// so a file that can be deleted has no living holder. QLockFile by itself
// judges a claim there by the process id written in it, which Windows soon
// gives to another process: a dead holder's claim could look alive for good.
void removeUnheldClaim(const QString &lockFile)
{
#ifdef Q_OS_WIN
    QFile::remove(lockFile);
#else
    Q_UNUSED(lockFile)
#endif
}

} // namespace

CorvaneControllerLock::CorvaneControllerLock(const QString &devPath)
    : m_path(lockFilePath(devPath))
    , m_file(m_path)
{
    // A controller stays open for hours: only a dead holder makes a claim
    // stale, never its age. The holder's flock (on Windows, its open file)
    // keeps a living claim safe.
    m_file.setStaleLockTime(0);
}

CorvaneControllerLock::~CorvaneControllerLock() = default;

bool CorvaneControllerLock::tryLock()
{
    removeUnheldClaim(m_path);
    return m_file.tryLock(0);
}

QString CorvaneControllerLock::holder(const QString &devPath)
{
    const QString lockFile = lockFilePath(devPath);
    removeUnheldClaim(lockFile);
    QLockFile probe(lockFile);
    probe.setStaleLockTime(0);
    // Taking it is the one reliable test of a stale file; it is let go at once.
    if (probe.tryLock(0)) {
        probe.unlock();
        return QString();
    }
    qint64 pid = 0;
    QString host;
    QString program;
    if (!probe.getLockInfo(&pid, &host, &program))
        return QStringLiteral("another process");
    return QStringLiteral("%1 (pid %2)").arg(program.isEmpty() ? QStringLiteral("a process") : program).arg(pid);
}

QString CorvaneControllerLock::lockFilePath(const QString &devPath)
{
    const QString key = QString::fromLatin1(QUrl::toPercentEncoding(devPath.toLower()));
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QFileInfo(runtime).isDir())
        return QDir(runtime).filePath(QStringLiteral("corvane-%1.lock").arg(key));
#ifdef Q_OS_WIN
    // Windows gives each user a temporary folder of their own.
    return QDir(QDir::tempPath()).filePath(QStringLiteral("corvane-%1.lock").arg(key));
#else
    // The temporary folder is shared by all users, who each claim for themselves.
    return QDir(QDir::tempPath()).filePath(QStringLiteral("corvane-%1-%2.lock").arg(getuid()).arg(key));
#endif
}
