// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLockFile>
#include <QString>

/**
 * The advisory claim a process holds on one controller while it has it open,
 * so that two processes never interleave reports with the same controller.
 *
 * The claim is a lock file keyed by the device path (letter case ignored) in
 * $XDG_RUNTIME_DIR, or in the temporary folder with the user id in its name
 * when there is no runtime folder (on Windows the user's own temporary folder). The file names the holder's process id
 * and program; a holder that died leaves a stale file, which the next claim
 * takes over.
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
     * Who holds the claim on @p devPath, as "<program> (pid <n>)"; empty when
     * nobody does. A claim of this very process counts as held.
     */
    static QString holder(const QString &devPath);

    /// Where the claim on @p devPath lives.
    static QString lockFilePath(const QString &devPath);

private:
    QString m_path;
    QLockFile m_file;
};
