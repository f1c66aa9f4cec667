// SPDX-License-Identifier: GPL-3.0-or-later
#include "corvanecontrollerlock.h"

#include <QFile>
#include <QFileInfo>

#include <optional>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

constexpr qint64 UnknownPid = -1;

// A line of /proc/locks names the locked file as "MAJ:MIN:INODE", the
// filesystem's device numbers in hex:
//   "3: FLOCK  ADVISORY  WRITE 1234 00:05:567 0 EOF"
// Waiters are listed with "->" and hold nothing.
bool isFlockOn(const QList<QByteArray> &fields, const struct stat &node)
{
    if (fields.size() < 6 || fields.at(1) != "FLOCK")
        return false;
    const QList<QByteArray> file = fields.at(5).split(':');
    bool ok[3] = {false, false, false};
    return file.size() == 3 && file.at(0).toUInt(&ok[0], 16) == major(node.st_dev)
        && file.at(1).toUInt(&ok[1], 16) == minor(node.st_dev) && file.at(2).toULongLong(&ok[2]) == node.st_ino
        && ok[0] && ok[1] && ok[2];
}

// The kernel's own table of locks: nothing there that another user could have written.
std::optional<qint64> flockHolderPid(const struct stat &node)
{
    QFile locks(QStringLiteral("/proc/locks"));
    if (!locks.open(QIODevice::ReadOnly | QIODevice::Text))
        return std::nullopt;
    for (const QByteArray &line : locks.readAll().split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (isFlockOn(fields, node)) {
            bool ok = false;
            const qint64 pid = fields.at(4).toLongLong(&ok);
            return ok && pid > 0 ? pid : UnknownPid;
        }
    }
    return std::nullopt;
}

// The program file's name where this user may see it; else the kernel's
// name for the process, which keeps only the first 15 characters of it.
QString programOf(qint64 pid)
{
    const QString proc = QStringLiteral("/proc/%1/").arg(pid);
    QString name = QFileInfo(QFile::symLinkTarget(proc + QStringLiteral("exe"))).fileName();
    QFile comm(proc + QStringLiteral("comm"));
    if (name.isEmpty() && comm.open(QIODevice::ReadOnly))
        name = QString::fromUtf8(comm.readAll()).trimmed();
    return name.isEmpty() ? QStringLiteral("a process") : name;
}

} // namespace

CorvaneControllerLock::CorvaneControllerLock(const QString &devPath)
    : m_devPath(devPath)
{
}

CorvaneControllerLock::~CorvaneControllerLock()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

bool CorvaneControllerLock::tryLock()
{
    if (m_fd >= 0)
        return true;
    const QByteArray node = QFile::encodeName(nodeOf(m_devPath));
    if (node.isEmpty())
        return false;
    const int fd = ::open(node.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0)
        return false;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return false;
    }
    m_fd = fd;
    return true;
}

// Read from the kernel's table rather than by taking the lock for a moment,
// which could turn away a claim made at that very moment.
QString CorvaneControllerLock::holder(const QString &devPath)
{
    const QByteArray node = QFile::encodeName(nodeOf(devPath));
    struct stat status = {};
    if (node.isEmpty() || ::stat(node.constData(), &status) != 0)
        return QString();
    const std::optional<qint64> pid = flockHolderPid(status);
    if (!pid)
        return QString();
    if (*pid == UnknownPid)
        return QStringLiteral("another process");
    return QStringLiteral("%1 (pid %2)").arg(programOf(*pid)).arg(*pid);
}
