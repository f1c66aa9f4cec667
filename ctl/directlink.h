// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "controllerlink.h"
#include "controllerrules.h"
#include "hwmonreader.h"

#include <QJsonObject>
#include <QList>
#include <QPointer>
#include <QString>

#include <memory>

class CoolingControl;

/**
 * The controller opened by corvane-ctl itself, when no panel runs: the
 * device plug-in in the "generic" folder beside the tool is loaded through
 * Qt's generic plug-in factory, exactly as the program loads it, and the
 * driver it announces is driven by its meta-object names.
 *
 * Opening claims the controller (the plug-in's lock), so the tool waits for
 * a program that has it open, for a bounded time. What a command may do is
 * the controller rules' affair, kept as a one-shot command keeps them: the
 * fan mode and the dust cycle are the panel's own, as is the window.
 */
class DirectLink final : public ControllerLink
{
    Q_OBJECT

public:
    explicit DirectLink(QObject *parent = nullptr);
    ~DirectLink() override;

    /// What the tool says when the plug-in finds no controller at all.
    static CtlOutcome nonePlugged();

    /**
     * Loads the plug-in and opens the first supported controller that a
     * protocol accepts, waiting up to @p waitMs for one that another process
     * has open.
     */
    CtlOutcome open(int waitMs);

    /// Each present controller as one JSON object: path, protocol, firmware, held_by.
    CtlOutcome list(QList<QJsonObject> *controllers);

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
    QString monitorNote() const override;
    /// The cooling choices are the user's settings, which the panel reads when it starts.
    CtlOutcome sensors(QVector<CoolingReport::Sensor> *sensors) override;
    CtlOutcome curve(const QString &group, CoolingReport::Curve *curve) override;
    CtlOutcome setCurve(const QString &group, const QString &source, const QString &points) override;

private slots:
    void onOpened(const QString &devPath, QObject *driver);
    void onClosed(const QString &devPath, QObject *driver);

private:
    CtlOutcome loadPlugin();
    bool tryOpen(const QString &devPath);
    /// Until the manager's open ended one way or the other, for a bounded time.
    void waitWhileConnecting();
    CtlOutcome whyNotOpened(const QStringList &paths, QString *holder);
    void close();
    CoolingControl &cooling();

    std::unique_ptr<QObject> m_manager;
    QPointer<QObject> m_driver;
    ControllerRules m_rules;
    QString m_path;
    HwmonReader m_hwmonReader;
    std::unique_ptr<CoolingControl> m_cooling;
};
