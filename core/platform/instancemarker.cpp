// SPDX-License-Identifier: GPL-3.0-or-later
#include "instancemarker.h"

#include "markerlock.h"

#include <algorithm>

namespace {

// Guards one access to the bytes with the marker's lock.
template <typename Access>
auto withLockedBytes(QSharedMemory &marker, Access access)
{
    const MarkerLock lock(marker);
    auto *bytes = static_cast<char *>(marker.data());
    const int size = bytes ? marker.size() : 0;
    return access(bytes, size);
}

bool setUp(QSharedMemory &marker)
{
    return withLockedBytes(marker, [](char *bytes, int size) {
        if (!bytes || size < InstanceMarker::Size)
            return false;
        std::fill_n(bytes, InstanceMarker::Size, 0);
        bytes[0] = InstanceMarker::Present;
        bytes[1] = InstanceMarker::NoRequest;
        return true;
    });
}

void requestShow(QSharedMemory &marker)
{
    withLockedBytes(marker, [](char *bytes, int size) {
        const bool present = size >= 2 && bytes[0] == InstanceMarker::Present;
        if (present)
            bytes[1] = InstanceMarker::ShowRequest;
        return present;
    });
}

} // namespace


bool InstanceMarker::takeShowRequest(QSharedMemory &marker)
{
    return withLockedBytes(marker, [](char *bytes, int size) {
        const bool pending = size >= 2 && bytes[0] == Present && bytes[1] == ShowRequest;
        if (pending)
            bytes[1] = NoRequest;
        return pending;
    });
}

bool InstanceMarker::createOrRequestShow(QSharedMemory &marker)
{
    if (marker.create(Size, QSharedMemory::ReadWrite) && setUp(marker))
        return true;
    // A fresh object: one whose create() failed keeps its lock's error and,
    // with a native key, can no longer attach.
    const QSharedPointer<QSharedMemory> running = make();
    if (running->attach(QSharedMemory::ReadWrite))
        requestShow(*running);
    return false;
}
