// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

class QSocketNotifier;

/**
 * Turns the requests to end the program that come from outside its windows
 * into a Qt signal on the GUI thread, so that the program can quit the way its
 * Exit command does instead of dying with its settings unwritten and its
 * instance marker left behind.
 *
 * On Linux these are SIGTERM, SIGINT and SIGHUP (a session that ends, a
 * service manager that stops the panel, Ctrl+C in a terminal). The handlers
 * only write the signal's number into a pipe; a socket notifier hands it to
 * the event loop. Signals are caught from construction on but reported only
 * once watch() has been called, so one that arrives during start-up is held
 * until the main event loop runs and can act on it. Each handler serves once:
 * a second signal of the same kind ends the process at once, in case the
 * orderly quit hangs. The destructor gives the three signals back their
 * default action.
 *
 * On Windows nothing reaches a windowed program that way: the end of the
 * session comes as a window message that Qt itself turns into aboutToQuit()
 * and a quit, so the object never reports anything there.
 *
 * One object per process.
 */
class TerminationSignals final : public QObject
{
    Q_OBJECT

public:
    explicit TerminationSignals(QObject *parent = nullptr);
    ~TerminationSignals() override;

    /// From the next turn of the event loop on, caught signals are reported.
    void watch();

signals:
    /// One of the three signals arrived; @p signalNumber says which.
    void arrived(int signalNumber);

private:
    // Linux only: the pipe the handlers write to, and its reader.
    void readPending();

    int m_pipe[2] = {-1, -1};
    QSocketNotifier *m_notifier = nullptr;
};
