// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "deviceidentity.h"

#include <QObject>

namespace Ui {
class MainWindow;
}

/**
 * The window's side of the connected controller: the status frame (state,
 * model and firmware, serial number, adapter voltage), the SAVE button, and
 * which driver object the other panels talk to.
 *
 * The device manager's announcements reach it through deviceOpened() and
 * deviceClosed(). It hands the driver on with connected() and takes it back
 * with disconnected(); the fan modes and the LED panel follow these two
 * signals, so at most one of them ever holds a driver the view has closed.
 */
class ConnectionView final : public QObject
{
    Q_OBJECT

public:
    /// @p form must outlive the view. The status frame and SAVE start disabled.
    explicit ConnectionView(Ui::MainWindow *form, QObject *parent = nullptr);

    /// The connected controller's driver object; null while none is connected.
    QObject *driver() const { return m_driver; }
    /// Who the connected controller is; all zero while none is connected.
    const DeviceIdentity &identity() const { return m_identity; }

    /**
     * Asks the controller to store the settings it runs now, so that it keeps
     * them without the PC. False, and nothing sent, without a controller.
     */
    bool save();

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
    /// A controller was opened; the other panels take @p driver and load their controls from it.
    void connected(QObject *driver, const DeviceIdentity &identity);
    /// The controller was closed; its driver must not be called any more.
    void disconnected();
    /// The driver polled the controller (once a second) and its properties are fresh.
    void polled();

private:
    void setControlsEnabled(bool enabled);

    Ui::MainWindow *m_form;
    QObject *m_driver = nullptr;
    DeviceIdentity m_identity;
};
