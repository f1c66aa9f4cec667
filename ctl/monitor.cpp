// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor.h"

#include "controllerlink.h"
#include "platform/terminationsignals.h"

#include <QCoreApplication>
#include <QJsonDocument>

#include <cstdio>

namespace {

constexpr int IntervalMs = 1000;

} // namespace

Monitor::Monitor(ControllerLink &link, bool json)
    : link(link), json(json)
{
    everySecond.setInterval(IntervalMs);
    connect(&everySecond, &QTimer::timeout, this, [this] { print(false); });
    connect(&link, &ControllerLink::changed, this, [this] { print(true); });
}

void Monitor::run()
{
    TerminationSignals stop;
    QEventLoop loop;
    connect(&stop, &TerminationSignals::arrived, &loop, &QEventLoop::quit);
    stop.watch();
    const QString note = link.monitorNote();
    if (!note.isEmpty())
        std::fprintf(stderr, "corvane-ctl: %s\n", qPrintable(note));
    print(false);
    everySecond.start();
    loop.exec();
}

void Monitor::print(bool onlyIfChanged)
{
    // A failed read is a status too: not connected.
    ControllerStatus status;
    link.status(&status);
    if (onlyIfChanged && printedOnce && status == last)
        return;
    const QByteArray line = json ? QJsonDocument(status.toJson()).toJson(QJsonDocument::Compact)
                                 : status.toLine().toUtf8();
    std::fprintf(stdout, "%s\n", line.constData());
    std::fflush(stdout);
    last = status;
    printedOnce = true;
}
