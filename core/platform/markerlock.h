// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QSharedMemory;

/**
 * Holds the instance marker's bytes for one access, across processes, for
 * as long as it lives.
 *
 * On Linux a flock on a file beside the marker's key file, in a folder only
 * this user can reach: a System V semaphore would be machine-wide, and one
 * that another user made first (or left at zero) could stall or silence the
 * launch. On Windows the marker's own lock(), whose semaphore lives in the
 * login session's namespace.
 */
class MarkerLock final
{
public:
    explicit MarkerLock(QSharedMemory &marker);
    ~MarkerLock();
    MarkerLock(const MarkerLock &) = delete;
    MarkerLock &operator=(const MarkerLock &) = delete;

private:
    QSharedMemory &m_marker;
    int m_fd = -1;
};
