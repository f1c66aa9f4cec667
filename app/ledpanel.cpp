// SPDX-License-Identifier: GPL-3.0-or-later
#include "ledpanel.h"
#include "ui_mainwindow.h"

#include "corvanedrivernames.h"
#include "deviceidentity.h"
#include "ledlawfiles.h"

#include <QButtonGroup>
#include <QSignalBlocker>

namespace {

namespace Driver = CorvaneDriverNames::Driver;

bool isColour(int colour)
{
    return colour >= 0 && colour < LedPanel::ColourCount;
}

} // namespace

LedPanel::LedPanel(Ui::MainWindow *form, QButtonGroup *solid, QButtonGroup *breathing, QObject *parent)
    : QObject(parent),
      m_form(form)
{
    const QWidget *effects = form->frameLEDLightControl;
    for (int id = 0; id < ColourCount; ++id)
        solid->addButton(effects->findChild<QAbstractButton *>(QStringLiteral("pushButtonLedC%1").arg(id)), id);
    for (int id = 0; id < ColourCount; ++id)
        breathing->addButton(effects->findChild<QAbstractButton *>(QStringLiteral("pushButtonLedF%1").arg(id)), id);
    setControlsEnabled(false);
}

// The switch is moved quietly: the window's slot for it calls back here.
bool LedPanel::setPower(bool on)
{
    if (!m_driver)
        return false;
    {
        const QSignalBlocker quiet(m_form->horizontalSliderLEDPower);
        m_form->horizontalSliderLEDPower->setValue(on ? 1 : 0);
    }
    QMetaObject::invokeMethod(m_driver, Driver::EnableLed.name(), Qt::QueuedConnection, Q_ARG(bool, on));
    m_form->frameLEDLightControl->setEnabled(on);
    return true;
}

bool LedPanel::setSolidColour(int colour)
{
    return isColour(colour) && playEffect(Effect::Solid, colour);
}

bool LedPanel::setBreathingColour(int colour)
{
    return isColour(colour) && playEffect(Effect::Breathe, colour);
}

bool LedPanel::setColourCycle()
{
    return playEffect(Effect::Cycle, -1);
}

bool LedPanel::uploadLedLaw(std::unique_ptr<LedLawSnapshot> law)
{
    if (!canPlay() || !law)
        return false;
    sendLaw(law->path());
    m_uploadedLaw = std::move(law);
    m_effect = Effect::None;
    m_colour = -1;
    return true;
}

bool LedPanel::setAutoRun(bool on)
{
    if (!m_driver)
        return false;
    m_form->checkBoxAutoStartLED->setChecked(on);
    QMetaObject::invokeMethod(m_driver, Driver::EnableAutoRunLed.name(), Qt::QueuedConnection, Q_ARG(bool, on));
    return true;
}

bool LedPanel::setHibernate(bool on)
{
    if (!m_driver || !m_canHibernate)
        return false;
    m_form->checkBoxHibernateLED->setChecked(on);
    QMetaObject::invokeMethod(m_driver, Driver::EnableAutoHibernateLed.name(), Qt::QueuedConnection,
                              Q_ARG(bool, on));
    return true;
}

// Loading the option boxes sends nothing; the switch is sent back to the
// controller only when it has to move.
void LedPanel::attach(QObject *driver, const DeviceIdentity &identity)
{
    m_driver = driver;
    // What a controller just plugged in plays is its own affair.
    m_effect = Effect::None;
    m_colour = -1;
    m_canHibernate = identity.canHibernate();
    m_form->checkBoxHibernateLED->setEnabled(m_canHibernate);
    m_form->checkBoxHibernateLED->setChecked(driver->property(Driver::LedShutdownOnDisconnect).toBool());
    m_form->checkBoxAutoStartLED->setChecked(driver->property(Driver::LedAutoRun).toBool());
    const bool on = driver->property(Driver::LedPower).toInt() != 0;
    if (m_form->horizontalSliderLEDPower->value() != int(on))
        setPower(on);
    setControlsEnabled(true);
    m_form->frameLEDLightControl->setEnabled(on);
}

// The switch and the preview keep what they showed.
void LedPanel::detach()
{
    m_driver = nullptr;
    setControlsEnabled(false);
    m_form->checkBoxAutoStartLED->setChecked(false);
    m_form->checkBoxHibernateLED->setChecked(false);
}

bool LedPanel::canPlay() const
{
    return m_driver && m_form->horizontalSliderLEDPower->value() != 0;
}

// The preview follows the choice whether or not the controller takes the law;
// colour N previews both the solid and the breathing effect N.
bool LedPanel::playEffect(Effect effect, int colour)
{
    if (!canPlay())
        return false;
    const QString preview = effect == Effect::Cycle ? QStringLiteral("cyc") : QString::number(colour);
    m_form->frameLEDSimulator->setStyleSheet(QStringLiteral("border-image: url(:/ui/res/led/led%1.png);").arg(preview));
    sendLaw(effect == Effect::Solid ? LedLawFiles::solid(colour)
            : effect == Effect::Breathe ? LedLawFiles::breathing(colour)
                                        : LedLawFiles::cycle());
    m_effect = effect;
    m_colour = colour;
    return true;
}

void LedPanel::sendLaw(const QString &path)
{
    QMetaObject::invokeMethod(m_driver, Driver::SendLedLawFile.name(), Qt::QueuedConnection, Q_ARG(QString, path));
}

void LedPanel::setControlsEnabled(bool enabled)
{
    m_form->frameLEDControlPanel->setEnabled(enabled);
    m_form->frameLEDLightControl->setEnabled(enabled);
}
