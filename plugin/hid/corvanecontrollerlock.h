// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

/**
 * The advisory claim a process holds on one controller while it has it open,
 * so that two processes never interleave reports with the same controller,
 * whichever user or runtime folder they run with.
 *
 * On Linux the claim is flock(LOCK_EX | LOCK_NB) on the controller's device
 * node: one inode for every user and root, dropped by the kernel when the
 * holder dies, nothing left behind. The holder is found in /proc/locks by the
 * node's device and inode, and named by the program it runs (/proc/<pid>).
 *
 * On Windows it is a semaphore of one in the machine-wide Global\ namespace,
 * named after the claim's node (letter case ignored), which goes away with
 * the last handle to it; there the holder is not named.
 *
 * A second claim of the same process on the same controller is refused too.
 */
class CorvaneControllerLock final
{
public:
    explicit CorvaneControllerLock(const QString &devPath);
    ~CorvaneControllerLock();
    CorvaneControllerLock(const CorvaneControllerLock &) = delete;
    CorvaneControllerLock &operator=(const CorvaneControllerLock &) = delete;

    /// Claims the controller without waiting; false while another claim holds it.
    bool tryLock();

    /**
     * Who holds the claim on @p devPath, as "<program> (pid <n>)" where it
     * can be told; empty when nobody does. A claim of this very process
     * counts as held.
     */
    static QString holder(const QString &devPath);

    /**
     * What the claim on @p devPath is keyed on: the file whose lock it is
     * (on Windows, the name of its semaphore); empty when there is none.
     * Defined by the HID layer the plug-in links: hidapi's paths are the
     * device nodes themselves; the simulator gives its paths stand-in files
     * in a folder its user names, so that suites side by side never meet.
     */
    static QString nodeOf(const QString &devPath);

private:
    QString m_devPath;
#ifdef Q_OS_WIN
    void *m_semaphore = nullptr;
#else
    int m_fd = -1;
#endif
};
