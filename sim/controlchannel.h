// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>

#include <thread>

namespace CorvaneSim {

/**
 * Reads control lines from a FIFO and applies them to the bus on the thread
 * the reader lives on, so that plug and unplug reach hot-plug listeners there:
 *   plug <item as in CORVANE_SIM_DEVICES>
 *   unplug <path>
 *   fault <path> <send|get|silent|garbage> [count]
 *   fault <path> stall <fan>   (the fan reports 0 rpm at any duty)
 * The FIFO itself is read on a thread of its own, so that what happens on
 * the wire does not wait for the event loop, which may be busy in a long
 * exchange: a fault for a present interface takes effect as soon as its line
 * arrives, and an unplug cuts the controller off at once, as pulling the cable
 * does (every exchange with it fails from then on), while its unplug event
 * follows once the event loop turns. A bad line is reported with a warning and
 * skipped, and so is a line longer than 4096 bytes, without ever being held
 * whole. Only a FIFO owned by the user, with no access for group or others,
 * is read. The FIFO is left in place on destruction so that writers may
 * outlive one reader.
 */
class ControlChannel final : public QObject
{
public:
    /// The living reader of @p path, or a new one owned by @p parent; nullptr (and
    /// a warning) when @p path is not a private FIFO and cannot be made one.
    static ControlChannel *start(const QString &path, QObject *parent);
    ~ControlChannel() override;

private:
    ControlChannel(int readFd, int writeFd, int wakeFd, QObject *parent);

    void readLoop();
    bool readAvailable();
    void takeChunk(const char *data, int size);
    void takeLine(const QString &line);
    static bool actOnWire(const QString &line);
    static void cutOff(const QString &path);
    void handleLine(const QString &line);
    static void plugLine(const QString &item);
    static void unplugLine(const QString &path);
    static void faultLine(const QString &arguments);

    int m_readFd;
    int m_writeFd;   // ours, so that the read end never sees EOF when a writer closes
    int m_wakeFd;    // ends the reader thread
    QByteArray m_pending;   // the reader thread's partial line
    bool m_dropping = false;   // within a line too long to take, up to its newline
    std::thread m_reader;
};

} // namespace CorvaneSim
