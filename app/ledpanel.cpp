// SPDX-License-Identifier: GPL-3.0-or-later
#include "ledpanel.h"
#include "ui_mainwindow.h"

#include <QButtonGroup>
#include <QSignalBlocker>

LedPanel::LedPanel(Ui::MainWindow *form, QButtonGroup *solid, QButtonGroup *breathing, ControllerRules &rules,
                   QObject *parent)
    : QObject(parent),
      m_form(form),
      m_rules(rules)
{
    const QWidget *effects = form->frameLEDLightControl;
    for (int id = 0; id < ControllerRules::ColourCount; ++id)
        solid->addButton(effects->findChild<QAbstractButton *>(QStringLiteral("pushButtonLedC%1").arg(id)), id);
    for (int id = 0; id < ControllerRules::ColourCount; ++id)
        breathing->addButton(effects->findChild<QAbstractButton *>(QStringLiteral("pushButtonLedF%1").arg(id)), id);
    setControlsEnabled(false);
    connect(&rules, &ControllerRules::attached, this, &LedPanel::attach);
    connect(&rules, &ControllerRules::detached, this, &LedPanel::detach);
    connect(&rules, &ControllerRules::ledPowerChanged, this, &LedPanel::showPower);
    connect(&rules, &ControllerRules::effectPlayed, this, &LedPanel::showEffect);
    connect(&rules, &ControllerRules::optionChanged, this, &LedPanel::showOption);
}

// Loading the option boxes sends nothing; the switch is sent back to the
// controller only when it has to move.
void LedPanel::attach()
{
    using Part = ControllerRules::Part;
    using Option = ControllerRules::Option;
    m_form->checkBoxHibernateLED->setEnabled(m_rules.canHibernate());
    m_form->checkBoxHibernateLED->setChecked(m_rules.option(Part::Led, Option::Hibernate));
    m_form->checkBoxAutoStartLED->setChecked(m_rules.option(Part::Led, Option::AutoRun));
    const bool on = m_rules.ledPower();
    if (m_form->horizontalSliderLEDPower->value() != int(on))
        m_rules.setLedPower(on);
    setControlsEnabled(true);
    m_form->frameLEDLightControl->setEnabled(on);
}

// The switch and the preview keep what they showed.
void LedPanel::detach()
{
    setControlsEnabled(false);
    m_form->checkBoxAutoStartLED->setChecked(false);
    m_form->checkBoxHibernateLED->setChecked(false);
}

// The switch is moved quietly: the window's slot for it calls the rules.
void LedPanel::showPower(bool on)
{
    {
        const QSignalBlocker quiet(m_form->horizontalSliderLEDPower);
        m_form->horizontalSliderLEDPower->setValue(on ? 1 : 0);
    }
    m_form->frameLEDLightControl->setEnabled(on);
}

// Colour N previews both the solid and the breathing effect N.
void LedPanel::showEffect(ControllerRules::Effect effect, int colour)
{
    const QString preview =
        effect == ControllerRules::Effect::Cycle ? QStringLiteral("cyc") : QString::number(colour);
    m_form->frameLEDSimulator->setStyleSheet(QStringLiteral("border-image: url(:/ui/res/led/led%1.png);").arg(preview));
}

// The check boxes send only when clicked, so setting them here sends nothing twice.
void LedPanel::showOption(ControllerRules::Part part, ControllerRules::Option option, bool on)
{
    if (part != ControllerRules::Part::Led)
        return;
    QCheckBox *box =
        option == ControllerRules::Option::AutoRun ? m_form->checkBoxAutoStartLED : m_form->checkBoxHibernateLED;
    box->setChecked(on);
}

void LedPanel::setControlsEnabled(bool enabled)
{
    m_form->frameLEDControlPanel->setEnabled(enabled);
    m_form->frameLEDLightControl->setEnabled(enabled);
}
