// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "controllerlink.h"

#include <QDBusConnection>

#include <memory>

class ComCorvaneControl1Interface;
class QDBusError;

/**
 * The running panel on the session bus (com.corvane.Control at
 * /com/corvane/Control, interface com.corvane.Control1): every operation is
 * one method call, which the panel carries out as its own control would;
 * the status is one GetAll of the interface's properties.
 */
class PanelLink final : public ControllerLink
{
    Q_OBJECT

public:
    /// The panel, when it is on the session bus; null otherwise.
    static std::unique_ptr<PanelLink> ifRunning();

    ~PanelLink() override;

    CtlOutcome status(ControllerStatus *status) override;
    CtlOutcome setGroupLevel(const QString &group, int level) override;
    CtlOutcome setMode(const QString &mode) override;
    CtlOutcome dust() override;
    CtlOutcome setLedPower(bool on) override;
    CtlOutcome setSolidColour(int colour) override;
    CtlOutcome setBreathingColour(int colour) override;
    CtlOutcome setColourCycle() override;
    CtlOutcome uploadLedLaw(const QString &path) override;
    CtlOutcome setAutoRun(const QString &target, bool on) override;
    CtlOutcome setHibernate(const QString &target, bool on) override;
    CtlOutcome save() override;
    CtlOutcome showWindow() override;
    CtlOutcome sensors(QVector<CoolingReport::Sensor> *sensors) override;
    CtlOutcome curve(const QString &group, CoolingReport::Curve *curve) override;
    CtlOutcome setCurve(const QString &group, const QString &source, const QString &points) override;

    /// What a D-Bus error from the panel means for corvane-ctl.
    static CtlOutcome outcomeOf(const QDBusError &error);

private:
    explicit PanelLink(const QDBusConnection &bus);

    QDBusConnection m_bus;
    std::unique_ptr<ComCorvaneControl1Interface> m_panel;
};
