// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/terminationsignals.h"

#include "platform/platformlogging.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr int Caught[] = {SIGTERM, SIGINT, SIGHUP};

// Set before the handlers are installed and cleared after they are removed.
volatile sig_atomic_t writeEnd = -1;

void writeSignalNumber(int signalNumber)
{
    const int savedErrno = errno;
    const unsigned char number = static_cast<unsigned char>(signalNumber);
    // A full pipe already holds a quit request; this one may be dropped.
    [[maybe_unused]] const ssize_t written = write(writeEnd, &number, 1);
    errno = savedErrno;
}

void setAction(int signalNumber, void (*handler)(int), int flags)
{
    struct sigaction action = {};
    action.sa_handler = handler;
    action.sa_flags = flags;
    sigemptyset(&action.sa_mask);
    sigaction(signalNumber, &action, nullptr);
}

} // namespace

TerminationSignals::TerminationSignals(QObject *parent)
    : QObject(parent)
{
    if (pipe2(m_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        qCWarning(lcCorvanePlatform, "cannot catch termination signals: %s", strerror(errno));
        return;
    }
    writeEnd = m_pipe[1];
    m_notifier = new QSocketNotifier(m_pipe[0], QSocketNotifier::Read, this);
    m_notifier->setEnabled(false);
    connect(m_notifier, &QSocketNotifier::activated, this, &TerminationSignals::readPending);
    for (const int signalNumber : Caught)
        setAction(signalNumber, writeSignalNumber, SA_RESTART | SA_RESETHAND);
}

TerminationSignals::~TerminationSignals()
{
    if (!m_notifier)
        return;
    for (const int signalNumber : Caught)
        setAction(signalNumber, SIG_DFL, 0);
    writeEnd = -1;
    delete m_notifier;
    close(m_pipe[0]);
    close(m_pipe[1]);
}

void TerminationSignals::watch()
{
    if (m_notifier)
        m_notifier->setEnabled(true);
}

void TerminationSignals::readPending()
{
    unsigned char number = 0;
    while (read(m_pipe[0], &number, 1) == 1) {
        qCDebug(lcCorvanePlatform, "caught signal %d", int(number));
        emit arrived(int(number));
    }
}
