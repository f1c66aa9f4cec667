// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/markerlock.h"

#include <QFile>
#include <QSharedMemory>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

// Not the key file itself: that one goes with the segment's last process and
// comes back with another inode, while this one stays.
MarkerLock::MarkerLock(QSharedMemory &marker)
    : m_marker(marker)
    , m_fd(::open(QFile::encodeName(marker.nativeKey() + QStringLiteral(".lock")).constData(),
                  O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600))
{
    // Best effort, as before: a marker that cannot be locked is still better used than not.
    if (m_fd >= 0)
        ::flock(m_fd, LOCK_EX);
}

MarkerLock::~MarkerLock()
{
    if (m_fd >= 0)
        ::close(m_fd);
}
