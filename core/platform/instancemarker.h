// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QSharedMemory>
#include <QSharedPointer>
#include <QString>

/**
 * The single-instance marker: an 8-byte shared memory segment that the first
 * instance of the program creates and that later launches use to ask it to
 * show its window. Each user has a marker of their own, so every user who is
 * logged in can run one instance.
 *
 * Byte 0 is 'A' once the first instance has set the segment up; byte 1 is the
 * show request, 'H' for none and 'S' when a later launch asks for the window;
 * bytes 2 to 7 are 0. Every access to the bytes happens under the marker's
 * cross-process lock (MarkerLock).
 *
 * Where a segment lives is the platform's: on Linux a System V segment, which
 * is machine-wide and outlives a process that dies; its native key is a file
 * in a folder only this user can reach, claim() clears a stale segment first
 * and steps aside from a segment another user made under the same key. On
 * Windows a named file mapping in the login session's own namespace, which
 * goes with the last process that holds it, so the key is the bare one and
 * nothing is stale.
 */
class InstanceMarker final
{
public:
    static constexpr int Size = 8;
    static constexpr char Present = 'A';
    static constexpr char NoRequest = 'H';
    static constexpr char ShowRequest = 'S';

    /// The key of the instances of this process's user login (on Linux, the native key).
    static QString key();

    /// A marker object for key(), not attached yet; the way to reach the marker from outside too.
    static QSharedPointer<QSharedMemory> make();

    /**
     * The first-instance test. When no live instance holds the segment, creates
     * and sets it up and returns true: this process is the first instance.
     * Otherwise attaches and, if the segment carries the presence mark, leaves
     * a show request; returns false. A segment left behind by an instance that
     * died without detaching never locks later launches out.
     */
    static bool claim(QSharedMemory &marker);

    /// Takes a pending show request (byte 1 back to 'H'); true when there was one.
    static bool takeShowRequest(QSharedMemory &marker);

private:
    /// The first-instance test itself, once the platform has made the key's segment trustworthy.
    static bool createOrRequestShow(QSharedMemory &marker);
};
