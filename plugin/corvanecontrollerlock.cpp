// SPDX-License-Identifier: GPL-3.0-or-later
#include "corvanecontrollerlock.h"

#include <QDir>
#include <QFileInfo>
#include <QUrl>

#include <unistd.h>

CorvaneControllerLock::CorvaneControllerLock(const QString &devPath)
    : m_file(lockFilePath(devPath))
{
    // A controller stays open for hours: only a dead holder makes a claim
    // stale, never its age. The holder's flock keeps a living claim safe.
    m_file.setStaleLockTime(0);
}

CorvaneControllerLock::~CorvaneControllerLock() = default;

bool CorvaneControllerLock::tryLock()
{
    return m_file.tryLock(0);
}

QString CorvaneControllerLock::holder(const QString &devPath)
{
    QLockFile probe(lockFilePath(devPath));
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
    // The temporary folder is shared by all users, who each claim for themselves.
    return QDir(QDir::tempPath()).filePath(QStringLiteral("corvane-%1-%2.lock").arg(getuid()).arg(key));
}
