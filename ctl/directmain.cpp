// SPDX-License-Identifier: GPL-3.0-or-later
// corvane-ctl-direct: what corvane-ctl does without the panel, and list. It
// loads the device plug-in beside it through Qt's generic plug-in factory,
// exactly as the program does, and opens the controller itself. Started by
// corvane-ctl with the user's command line; not meant to be called by hand.
#include "ctlcommand.h"
#include "ctlrunner.h"
#include "directlink.h"
#include "panellink.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>

#include <cstdio>

namespace {

using Kind = CtlCommand::Kind;

QString listRow(const QJsonObject &entry)
{
    const auto text = [&entry](const char *key) { return entry.value(QLatin1String(key)).toString(); };
    QString what = QStringLiteral("does not answer");
    if (!entry.value(QStringLiteral("protocol")).isNull())
        what = QStringLiteral("%1 %2").arg(text("protocol"), text("firmware"));
    else if (!entry.value(QStringLiteral("held_by")).isNull())
        what = QStringLiteral("in use by %1").arg(text("held_by"));
    return QStringLiteral("%1  %2\n").arg(text("path"), -16).arg(what);
}

// The controllers come from the plug-in's enumeration, never from the panel;
// the one the panel holds is described by the panel, which has it open.
CtlOutcome list(const CtlCommand &command)
{
    DirectLink direct;
    QList<QJsonObject> controllers;
    const CtlOutcome outcome = direct.list(&controllers);
    if (!outcome.ok())
        return outcome;
    ControllerStatus panelStatus;
    if (const std::unique_ptr<PanelLink> panel = PanelLink::ifRunning())
        panel->status(&panelStatus);
    QJsonArray all;
    QString table;
    for (QJsonObject &entry : controllers) {
        if (panelStatus.connected && entry.value(QStringLiteral("path")).toString() == panelStatus.path) {
            entry[QStringLiteral("protocol")] = panelStatus.protocol;
            entry[QStringLiteral("firmware")] = panelStatus.firmware;
        }
        all.append(entry);
        table += listRow(entry);
    }
    const QByteArray text = command.json ? QJsonDocument(all).toJson(QJsonDocument::Compact) + '\n' : table.toUtf8();
    std::fputs(text.constData(), stdout);
    return controllers.isEmpty()
        ? DirectLink::nonePlugged()
        : CtlOutcome::done();
}

// What only the panel knows is refused before the controller is opened; the
// cooling choices need no controller.
CtlOutcome runDirect(const CtlCommand &command)
{
    DirectLink direct;
    const bool needsPanel = command.kind == Kind::Mode || command.kind == Kind::Dust || command.kind == Kind::Show;
    const bool needsNoController = command.kind == Kind::Sensors || command.kind == Kind::Curve;
    const CtlOutcome opened = needsPanel || needsNoController ? CtlOutcome::done() : direct.open(command.waitMs);
    return opened.ok() ? CtlRunner::dispatch(command, direct) : opened;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    int exitStatus = CtlOutcome::Done;
    const std::optional<CtlCommand> command = CtlRunner::commandLine(&exitStatus);
    if (!command)
        return exitStatus;
    return CtlRunner::finish(command->kind == Kind::List ? list(*command) : runDirect(*command));
}
