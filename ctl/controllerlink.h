// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "controllerstatus.h"
#include "coolingreport.h"
#include "ctloutcome.h"

#include <QObject>
#include <QString>

/**
 * The way corvane-ctl reaches the controller: through the running panel
 * (PanelLink) or by opening it itself (DirectLink). Each operation is one
 * user action, as the panel's controls do it; what a link cannot do it
 * refuses with an outcome that says why.
 */
class ControllerLink : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    virtual CtlOutcome status(ControllerStatus *status) = 0;
    /// @p group is "G1" or "G2".
    virtual CtlOutcome setGroupLevel(const QString &group, int level) = 0;
    /// @p mode is "manual" or "auto".
    virtual CtlOutcome setMode(const QString &mode) = 0;
    virtual CtlOutcome dust() = 0;
    virtual CtlOutcome setLedPower(bool on) = 0;
    virtual CtlOutcome setSolidColour(int colour) = 0;
    virtual CtlOutcome setBreathingColour(int colour) = 0;
    virtual CtlOutcome setColourCycle() = 0;
    /// @p path is absolute.
    virtual CtlOutcome uploadLedLaw(const QString &path) = 0;
    /// @p target is "fan" or "led".
    virtual CtlOutcome setAutoRun(const QString &target, bool on) = 0;
    virtual CtlOutcome setHibernate(const QString &target, bool on) = 0;
    virtual CtlOutcome save() = 0;
    virtual CtlOutcome showWindow() = 0;
    /// The sources a group can follow in AUTO, with their values now.
    virtual CtlOutcome sensors(QVector<CoolingReport::Sensor> *sensors) = 0;
    /// @p group is "G1" or "G2".
    virtual CtlOutcome curve(const QString &group, CoolingReport::Curve *curve) = 0;
    virtual CtlOutcome setCurve(const QString &group, const QString &source, const QString &points) = 0;
    /// Said once when a monitor starts: what it cannot follow, if anything.
    virtual QString monitorNote() const { return QString(); }

signals:
    /// Something in the status may have changed.
    void changed();
};
