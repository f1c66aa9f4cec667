// SPDX-License-Identifier: GPL-3.0-or-later
#include "ctlrunner.h"

#include "controllerlink.h"
#include "monitor.h"

#include <QCoreApplication>
#include <QJsonDocument>
#include <QLoggingCategory>

#include <cstdio>

namespace {

using Kind = CtlCommand::Kind;

CtlOutcome printStatus(const CtlCommand &command, ControllerLink &link)
{
    ControllerStatus status;
    const CtlOutcome outcome = link.status(&status);
    if (!outcome.ok())
        return outcome;
    const QByteArray text = command.json ? QJsonDocument(status.toJson()).toJson(QJsonDocument::Compact) + '\n'
                                         : status.toTable().toUtf8();
    std::fputs(text.constData(), stdout);
    return status.connected ? CtlOutcome::done() : CtlOutcome::failed(CtlOutcome::NoController, QString());
}

CtlOutcome printSensors(const CtlCommand &command, ControllerLink &link)
{
    QVector<CoolingReport::Sensor> sensors;
    const CtlOutcome outcome = link.sensors(&sensors);
    if (!outcome.ok())
        return outcome;
    const QByteArray text =
        command.json ? CoolingReport::sensorsJson(sensors) : CoolingReport::sensorsTable(sensors).toUtf8();
    std::fputs(text.constData(), stdout);
    return outcome;
}

// Without a source it shows the curve; with one it sets it.
CtlOutcome curve(const CtlCommand &command, ControllerLink &link)
{
    if (!command.text.isEmpty())
        return link.setCurve(command.target, command.text, command.points);
    CoolingReport::Curve curve;
    const CtlOutcome outcome = link.curve(command.target, &curve);
    if (outcome.ok())
        std::printf("%s\n", qPrintable(CoolingReport::curveLine(curve)));
    return outcome;
}

} // namespace

CtlOutcome CtlRunner::dispatch(const CtlCommand &command, ControllerLink &link)
{
    switch (command.kind) {
    case Kind::Status:
        return printStatus(command, link);
    case Kind::Monitor:
        Monitor(link, command.json).run();
        return CtlOutcome::done();
    case Kind::Fan:
        return link.setGroupLevel(command.target, command.number);
    case Kind::Mode:
        return link.setMode(command.text);
    case Kind::Dust:
        return link.dust();
    case Kind::LedPower:
        return link.setLedPower(command.on);
    case Kind::LedSolid:
        return link.setSolidColour(command.number);
    case Kind::LedBreathe:
        return link.setBreathingColour(command.number);
    case Kind::LedCycle:
        return link.setColourCycle();
    case Kind::LedUpload:
        return link.uploadLedLaw(command.text);
    case Kind::AutoRun:
        return link.setAutoRun(command.target, command.on);
    case Kind::Hibernate:
        return link.setHibernate(command.target, command.on);
    case Kind::Save:
        return link.save();
    case Kind::Show:
        return link.showWindow();
    case Kind::Sensors:
        return printSensors(command, link);
    case Kind::Curve:
        return curve(command, link);
    case Kind::List:
    case Kind::Help:
        break;
    }
    return CtlOutcome::failed(CtlOutcome::BadUsage, QStringLiteral("nothing to do"));
}

int CtlRunner::finish(const CtlOutcome &outcome)
{
    if (!outcome.message.isEmpty())
        std::fprintf(stderr, "corvane-ctl: %s\n", qPrintable(outcome.message));
    if (outcome.code == CtlOutcome::BadUsage)
        std::fprintf(stderr, "%s\n", qPrintable(CtlCommand::usage()));
    return outcome.code;
}

std::optional<CtlCommand> CtlRunner::commandLine(int *exitStatus)
{
    QLoggingCategory::setFilterRules(QStringLiteral("corvane.*.debug=false"));
    QString error;
    std::optional<CtlCommand> command = CtlCommand::parse(QCoreApplication::arguments().mid(1), &error);
    if (!command) {
        *exitStatus = finish(CtlOutcome::failed(CtlOutcome::BadUsage, error));
        return std::nullopt;
    }
    if (command->kind == Kind::Help) {
        std::printf("%s\n", qPrintable(CtlCommand::help()));
        *exitStatus = CtlOutcome::Done;
        return std::nullopt;
    }
    return command;
}
