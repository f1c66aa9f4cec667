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
    : m_link(link), m_json(json)
{
    m_everySecond.setInterval(IntervalMs);
    connect(&m_everySecond, &QTimer::timeout, this, [this] { print(false); });
    connect(&link, &ControllerLink::changed, this, [this] { print(true); });
}

void Monitor::run()
{
    TerminationSignals stop;
    QEventLoop loop;
    connect(&stop, &TerminationSignals::arrived, &loop, &QEventLoop::quit);
    stop.watch();
    const QString note = m_link.monitorNote();
    if (!note.isEmpty())
        std::fprintf(stderr, "corvane-ctl: %s\n", qPrintable(note));
    print(false);
    m_everySecond.start();
    loop.exec();
}

void Monitor::print(bool onlyIfChanged)
{
    // A failed read is a status too: not connected.
    ControllerStatus status;
    m_link.status(&status);
    if (onlyIfChanged && m_printedOnce && status == m_last)
        return;
    const QByteArray line = m_json ? QJsonDocument(status.toJson()).toJson(QJsonDocument::Compact)
                                   : status.toLine().toUtf8();
    std::fprintf(stdout, "%s\n", line.constData());
    std::fflush(stdout);
    m_last = status;
    m_printedOnce = true;
}
