// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QTemporaryDir>

#include <memory>

/**
 * Starts real processes of the program in a sandbox of their own: home,
 * configuration, runtime and temporary folders inside one temporary
 * directory. On Linux the temporary folder also decides which instance
 * marker the processes meet, so a suite never meets a program that runs
 * elsewhere; isolate() lets the test process itself see the same marker.
 * On Windows the marker is the login session's whatever the folders.
 */
class ProgramLauncher final
{
public:
    ProgramLauncher();

    bool isValid() const { return m_root.isValid(); }
    QString path(const QString &name) const { return m_root.filePath(name); }

    /// Points this process's temporary folder at the sandbox's.
    void isolate() const;

    /// Starts @p program with the sandbox environment plus @p extra.
    std::unique_ptr<QProcess> start(const QString &program,
                                    const QProcessEnvironment &extra = QProcessEnvironment()) const;

#ifndef Q_OS_WIN
    /**
     * Removes the marker segment that killed or exit()ed instances leave
     * behind, as the next launch would; needs isolate().
     */
    static void removeStaleMarker();

    /**
     * Starts @p program as the user @p uid (group @p gid) through setpriv,
     * with a home, configuration and runtime folder of that user's own in
     * the sandbox; the temporary folder stays the one all processes share.
     * Needs root, and @p program must be readable by that user. Null when
     * the folders cannot be made.
     */
    std::unique_ptr<QProcess> startAsUser(uint uid, uint gid, const QString &program,
                                          const QProcessEnvironment &extra = QProcessEnvironment()) const;

private:
    /// Makes the folders of the user @p uid in the sandbox; returns their parent, empty on failure.
    QString userFolders(uint uid, uint gid) const;
#endif

    QTemporaryDir m_root;
};
