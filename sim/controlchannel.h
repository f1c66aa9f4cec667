// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

class QSocketNotifier;

namespace CorvaneSim {

/**
 * Reads control lines from a FIFO on the thread it lives on and applies them
 * to the bus, so that plug and unplug reach hot-plug listeners there:
 *   plug <item as in CORVANE_SIM_DEVICES>
 *   unplug <path>
 *   fault <path> <send|get|silent|garbage> [count]
 * A bad line is reported with a warning and skipped. The FIFO is left in
 * place on destruction so that writers may outlive one reader.
 */
class ControlChannel final : public QObject
{
public:
    /// The living reader of @p path, or a new one owned by @p parent; nullptr when
    /// @p path is not a FIFO and cannot be made one.
    static ControlChannel *start(const QString &path, QObject *parent);
    ~ControlChannel() override;

private:
    ControlChannel(int readFd, int writeFd, QObject *parent);

    void readAvailable();
    void handleLine(const QString &line);
    static void plugLine(const QString &item);
    static void unplugLine(const QString &path);
    static void faultLine(const QString &arguments);

    int m_readFd;
    int m_writeFd;   // ours, so that the read end never sees EOF when a writer closes
    QSocketNotifier *m_notifier;
    QByteArray m_pending;
};

} // namespace CorvaneSim
