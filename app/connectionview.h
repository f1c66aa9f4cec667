// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class ControllerRules;

#include <QObject>

namespace Ui {
class MainWindow;
}

/**
 * The window's side of the connected controller: the status frame (state,
 * model and firmware, serial number, adapter voltage) and the SAVE button.
 *
 * The device manager's announcements reach it through deviceOpened() and
 * deviceClosed(); it hands the driver to the controller rules and takes it
 * back, and the fan modes and the LED panel follow the rules.
 */
class ConnectionView final : public QObject
{
    Q_OBJECT

public:
    /// @p form and @p rules must outlive the view. The status frame and SAVE start disabled.
    ConnectionView(Ui::MainWindow *form, ControllerRules &rules, QObject *parent = nullptr);

public slots:
    void deviceOpened(QObject *driver);
    void deviceClosed(QObject *driver);
    /// "12.00 V" above 9 V; "No Power" and the warning icon at 9 V or less.
    void showAdapterPower(float volts);
    /// "Connected", or "Not answering" while the controller's exchanges keep failing.
    void showAnswering();

private slots:
    /// Each poll, answered or not, ends with the driver's adapter signal.
    void showPoll(float volts);

signals:
    /// The driver polled the controller (once a second) and its properties are fresh.
    void polled();

private:
    void setControlsEnabled(bool enabled);

    Ui::MainWindow *m_form;
    ControllerRules &m_rules;
};
