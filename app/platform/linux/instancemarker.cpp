// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/instancemarker.h"

#include <QDir>
#include <QLockFile>

#include <unistd.h>

namespace {

constexpr int LaunchLockTimeoutMs = 5000;

// On Linux QSharedMemory is a System V segment, which outlives a process that
// dies without detaching; it is only removed when the last attached process
// detaches. Attaching a probe and detaching it again therefore removes a
// segment that nobody is attached to any more, and merely touches the
// attachment count of a segment that a live instance holds.
void removeStaleSegment(const QString &key)
{
    QSharedMemory probe(key);
    if (probe.attach(QSharedMemory::ReadOnly))
        probe.detach();
}

// While another launch is between creating its segment and attaching to it,
// the segment has no attachment and would look stale to our probe. Launches
// take this lock file for their whole first-instance test so they never
// overlap; QLockFile takes over a lock whose owner has died. It is the user's
// own: in the runtime folder, which only the user can write to, or else in
// the shared temporary folder under a name that carries the user id, so that
// another user's lock never holds up a launch.
QString launchLockPath()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty())
        return QDir(runtime).filePath(QStringLiteral("corvane-control-instance.lock"));
    return QDir(QDir::tempPath()).filePath(QStringLiteral("corvane-control-instance-%1.lock").arg(getuid()));
}

} // namespace

// System V segments are machine-wide and a segment made by one user cannot be
// attached by another: without the user id in the key, one user's running
// panel would turn every other user's launch into a silent later instance.
QString InstanceMarker::key()
{
    return QStringLiteral("{C8A9A39C-0D47-4915-9127-1B9D25E60AE9}-%1").arg(getuid());
}

bool InstanceMarker::claim(QSharedMemory &marker)
{
    QLockFile launchLock(launchLockPath());
    // Best effort: a lock that cannot be had in time must not stop the program.
    launchLock.tryLock(LaunchLockTimeoutMs);

    removeStaleSegment(marker.key());
    return createOrRequestShow(marker);
}
