// SPDX-License-Identifier: GPL-3.0-or-later
// corvane-ctl: the controller from scripts and terminals. This front end
// links QtCore and QtDBus only, so that a command through the running panel
// starts in a few milliseconds; without the panel, and for list, it hands
// over to corvane-ctl-direct beside it, which loads the device plug-in.
#include "ctlcommand.h"
#include "ctlrunner.h"
#include "panellink.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace {

// The same command line, the same process: its exit status, signals and
// claim on the controller stay the caller's.
int runDirectly(char *argv[])
{
    const QByteArray direct =
        QFile::encodeName(QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("corvane-ctl-direct")));
    ::execv(direct.constData(), argv);
    return CtlRunner::finish(CtlOutcome::failed(
        CtlOutcome::DeviceFailed,
        QStringLiteral("cannot run %1: %2").arg(QFile::decodeName(direct), QString::fromLocal8Bit(std::strerror(errno)))));
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    int exitStatus = CtlOutcome::Done;
    const std::optional<CtlCommand> command = CtlRunner::commandLine(&exitStatus);
    if (!command)
        return exitStatus;
    if (command->kind != CtlCommand::Kind::List) {
        if (const std::unique_ptr<PanelLink> panel = PanelLink::ifRunning())
            return CtlRunner::finish(CtlRunner::dispatch(*command, *panel));
    }
    return runDirectly(argv);
}
