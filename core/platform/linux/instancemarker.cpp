// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/instancemarker.h"

#include <QDir>
#include <QLockFile>
#include <QStandardPaths>
#include <QTemporaryFile>

#include <cstdio>

#include <sys/ipc.h>
#include <sys/shm.h>
#include <unistd.h>

namespace {

constexpr int LaunchLockTimeoutMs = 5000;
// Each try gives the key file a new inode, and with it a new key.
constexpr int KeyFileTries = 8;

// A folder only this user can reach: the runtime folder (Qt checks that it
// is the user's own and private), else the user's cache folder. Nothing in
// the shared temporary folder, where another user could make the files first.
QString privateFolder()
{
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (!runtime.isEmpty())
        return runtime;
    const QString cache = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    QDir().mkpath(cache);
    return cache;
}

// On Linux QSharedMemory is a System V segment, which outlives a process that
// dies without detaching; it is only removed when the last attached process
// detaches. Attaching a probe and detaching it again therefore removes a
// segment that nobody is attached to any more, and merely touches the
// attachment count of a segment that a live instance holds.
void removeStaleSegment(const QString &keyFile)
{
    QSharedMemory probe;
    probe.setNativeKey(keyFile);
    if (probe.attach(QSharedMemory::ReadOnly))
        probe.detach();
}

// The segment's key comes from the key file's inode (ftok), which another
// user cannot see but may guess: a segment under it that is not this user's
// is none of ours.
bool keyIsTakenByOthers(const QString &keyFile)
{
    const key_t key = ftok(QFile::encodeName(keyFile).constData(), 'Q');
    const int id = key == -1 ? -1 : shmget(key, 0, 0);
    if (id == -1)
        return false;
    struct shmid_ds segment = {};
    return shmctl(id, IPC_STAT, &segment) != 0 || segment.shm_perm.uid != geteuid();
}

// Made beside the old one before it replaces it, so the inode is a new one.
void renewKeyFile(const QString &keyFile)
{
    QTemporaryFile renewed(keyFile + QStringLiteral(".XXXXXX"));
    if (renewed.open() && std::rename(QFile::encodeName(renewed.fileName()).constData(),
                                      QFile::encodeName(keyFile).constData()) == 0) {
        renewed.setAutoRemove(false);
    }
}

void avoidForeignSegment(const QString &keyFile)
{
    for (int i = 0; i < KeyFileTries && keyIsTakenByOthers(keyFile); ++i)
        renewKeyFile(keyFile);
}

} // namespace

// The marker's native key is the file System V derives the segment's key
// from; in a private folder, one user's marker and another's never meet.
// The bytes are locked by MarkerLock, not by a System V semaphore.
QString InstanceMarker::key()
{
    return QDir(privateFolder()).filePath(QStringLiteral("corvane-control-instance.key"));
}

QSharedPointer<QSharedMemory> InstanceMarker::make()
{
    auto marker = QSharedPointer<QSharedMemory>::create();
    marker->setNativeKey(key());
    return marker;
}

// While another launch is between creating its segment and attaching to it,
// the segment has no attachment and would look stale to our probe. Launches
// take this lock file for their whole first-instance test so they never
// overlap; QLockFile takes over a lock whose owner has died.
bool InstanceMarker::claim(QSharedMemory &marker)
{
    QLockFile launchLock(marker.nativeKey() + QStringLiteral(".launch"));
    // Best effort: a lock that cannot be had in time must not stop the program.
    launchLock.tryLock(LaunchLockTimeoutMs);

    removeStaleSegment(marker.nativeKey());
    avoidForeignSegment(marker.nativeKey());
    return createOrRequestShow(marker);
}
