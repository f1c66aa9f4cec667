// SPDX-License-Identifier: GPL-3.0-or-later
#include "connectionview.h"
#include "ui_mainwindow.h"

#include "controllerrules.h"
#include "corvanedrivernames.h"

#include <QCoreApplication>

namespace {

namespace Driver = CorvaneDriverNames::Driver;

constexpr float LowestPoweredVolts = 9.0f;

} // namespace

ConnectionView::ConnectionView(Ui::MainWindow *form, ControllerRules &rules, QObject *parent)
    : QObject(parent),
      m_form(form),
      m_rules(rules)
{
    setControlsEnabled(false);
}

void ConnectionView::deviceOpened(QObject *driver)
{
    if (!driver)
        return;
    const DeviceIdentity identity = DeviceIdentity::fromDriver(*driver);
    m_form->labelCvDeviceStatus->setText(QCoreApplication::translate("MainWindow", "Connected"));
    m_form->labelCorvaneModel->setText(QCoreApplication::translate("MainWindow", "%1  [%2]")
                                           .arg(identity.modelText(), identity.firmwareText()));
    m_form->lineEditCvDeviceSN->setText(identity.serialText());
    // Unique: a driver that comes back without a close in between still reaches the view once per emission.
    connect(driver, Driver::DevicePowerChanged.signal(), this, SLOT(showPoll(float)), Qt::UniqueConnection);
    m_rules.attach(driver);
    setControlsEnabled(true);
}

// Pending events run only once everything is detached: a controller that
// arrives meanwhile then opens onto settled panels instead of being half
// undone by the rest of this close. The model and the adapter voltage keep
// what they showed.
void ConnectionView::deviceClosed(QObject *driver)
{
    m_rules.detach();
    setControlsEnabled(false);
    m_form->labelCvDeviceStatus->setText(QCoreApplication::translate("MainWindow", "Unconnected"));
    m_form->lineEditCvDeviceSN->setText(QStringLiteral("N/A"));
    if (driver)
        disconnect(driver, nullptr, this, nullptr);
    QCoreApplication::processEvents();
}

void ConnectionView::showAdapterPower(float volts)
{
    const bool powered = volts > LowestPoweredVolts;
    m_form->labelCvDeviceAdapter->setText(powered ? QStringLiteral("%1 V").arg(double(volts), 0, 'f', 2)
                                                  : QCoreApplication::translate("MainWindow", "No Power"));
    m_form->labelCvDeviceAdapterIcon->setVisible(!powered);
}

void ConnectionView::showPoll(float volts)
{
    showAdapterPower(volts);
    showAnswering();
    emit polled();
}

void ConnectionView::showAnswering()
{
    if (!m_rules.isConnected())
        return;
    const bool answering = !m_rules.driver()->property(Driver::NotAnswering).toBool();
    m_form->labelCvDeviceStatus->setText(answering ? QCoreApplication::translate("MainWindow", "Connected")
                                                   : QCoreApplication::translate("MainWindow", "Not answering"));
}

void ConnectionView::setControlsEnabled(bool enabled)
{
    m_form->pushButtonSave->setEnabled(enabled);
    m_form->frameStatus->setEnabled(enabled);
}
