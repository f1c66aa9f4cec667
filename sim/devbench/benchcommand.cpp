// SPDX-License-Identifier: GPL-3.0-or-later
#include "benchcommand.h"

#include "devbenchlogging.h"
#include "platform/terminationsignals.h"

#include <QEventLoop>
#include <QProcess>

#include <csignal>

namespace {

constexpr int CannotStart = 127;
constexpr int KilledBase = 128;

} // namespace

BenchCommand::BenchCommand(const QStringList &command)
    : m_command(command)
{
}

int BenchCommand::run()
{
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    process.setInputChannelMode(QProcess::ForwardedInputChannel);
    QEventLoop loop;
    int status = 0;
    QObject::connect(&process, qOverload<int, QProcess::ExitStatus>(&QProcess::finished), &loop,
                     [&](int code, QProcess::ExitStatus how) {
                         // A process that a signal ended has that signal's number as its code.
                         status = how == QProcess::NormalExit ? code : KilledBase + code;
                         loop.quit();
                     });
    QObject::connect(&process, &QProcess::errorOccurred, &loop, [&](QProcess::ProcessError error) {
        if (error != QProcess::FailedToStart)
            return;
        qCCritical(lcDevBench, "cannot run %s: %s", qPrintable(m_command.first()),
                   qPrintable(process.errorString()));
        status = CannotStart;
        loop.quit();
    });

    TerminationSignals stop;
    QObject::connect(&stop, &TerminationSignals::arrived, &loop, [&process](int signalNumber) {
        if (signalNumber != SIGINT && process.processId() > 0)
            ::kill(pid_t(process.processId()), signalNumber);
    });
    stop.watch();

    process.start(m_command.first(), m_command.mid(1));
    loop.exec();
    return status;
}
