// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "controllerstatus.h"

#include <QObject>
#include <QTimer>

class ControllerLink;

/**
 * `corvane-ctl monitor`: a line whenever the status changes, and at least one
 * a second, until SIGINT, SIGTERM or SIGHUP; then the controller is let go
 * like after any other command.
 */
class Monitor final : public QObject
{
    Q_OBJECT

public:
    Monitor(ControllerLink &link, bool json);

    /// Runs until interrupted.
    void run();

private:
    void print(bool onlyIfChanged);

    ControllerLink &m_link;
    bool m_json;
    QTimer m_everySecond;
    ControllerStatus m_last;
    bool m_printedOnce = false;
};
