// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringList>

/**
 * The command the bench runs: started with the bench's environment (the
 * testbed's UMOCKDEV_DIR and the preload among it), its standard input,
 * output and error the bench's own, and run to its end.
 *
 * SIGTERM and SIGHUP to the bench are passed on to the command, so that
 * whoever stops the bench stops what runs in it the way it was asked to.
 * SIGINT is not passed on: from a terminal it reaches the command already
 * (the command stays in the bench's process group), and twice would make
 * programs that quit in order on the first give up on the second.
 */
class BenchCommand final
{
public:
    explicit BenchCommand(const QStringList &command);

    /**
     * Runs the command in an event loop of its own and returns its exit
     * status: its exit code, 128 + the signal's number when a signal ended
     * it, 127 when it could not be started.
     */
    int run();

private:
    QStringList m_command;
};
