// SPDX-License-Identifier: GPL-3.0-or-later
#include "fanmodes.h"
#include "ui_mainwindow.h"

#include "corvanedrivernames.h"
#include "rotationlabel.h"
#include "usersettings.h"

#include <QButtonGroup>
#include <QCoreApplication>
#include <QPixmap>
#include <QSignalBlocker>
#include <QTimer>

namespace {

using Group = ControllerRules::Group;
namespace Driver = CorvaneDriverNames::Driver;

constexpr int FansPerGroup = 2;
constexpr int G1FirstFan = 0;
constexpr int G2FirstFan = 2;

} // namespace

FanModes::FanModes(Ui::MainWindow *form, QTimer *autoTimer, ControllerRules &rules, QObject *parent)
    : QObject(parent),
      m_form(form),
      m_autoTimer(autoTimer),
      m_rules(rules),
      m_cooling(m_cpuLoadSampler, SourceList::platformOffersTemperatures() ? &m_hwmonReader : nullptr,
                &UserSettings::open),
      // The blades hold still while the window that shows them is off screen.
      m_bladeSpinner({&m_bladeAnimations[0], &m_bladeAnimations[1], &m_bladeAnimations[2], &m_bladeAnimations[3]},
                     form->labelFan1->window())
{
    showDuty(m_form->labelFanDutyG1, 0);
    showDuty(m_form->labelFanDutyG2, 0);
    setUpBlades();
    auto *modes = new QButtonGroup(this);
    modes->addButton(m_form->pushButtonAutoFan);
    modes->addButton(m_form->pushButtonManFan);
    modes->setExclusive(true);
    setControlsEnabled(false);
    m_form->checkBoxChangeBoost->setChecked(rules.boost());
    connect(m_form->checkBoxChangeBoost, &QCheckBox::toggled, &rules, &ControllerRules::setBoost);
    connect(&rules, &ControllerRules::boostChanged, m_form->checkBoxChangeBoost, &QCheckBox::setChecked);
    connect(&rules, &ControllerRules::attached, this, &FanModes::attach);
    connect(&rules, &ControllerRules::detached, this, &FanModes::detach);
    connect(&rules, &ControllerRules::modeChanged, this, &FanModes::showMode);
    connect(&rules, &ControllerRules::levelsApplied, this, &FanModes::showLevels);
    connect(&rules, &ControllerRules::optionChanged, this, &FanModes::showOption);
}

// Each blade label turns through two frames; its animation loops over them
// with the period of the fan's duty.
void FanModes::setUpBlades()
{
    const QPixmap blade(QStringLiteral(":/ui/res/blade.png"));
    const QPixmap bladeTurned(QStringLiteral(":/ui/res/blade25.png"));
    const std::array<RotationLabel *, 4> labels = {m_form->labelFan1, m_form->labelFan4, m_form->labelFan2,
                                                   m_form->labelFan3};
    for (std::size_t fan = 0; fan < labels.size(); ++fan) {
        labels[fan]->addPixmap(blade);
        labels[fan]->addPixmap(bladeTurned);
        QPropertyAnimation &animation = m_bladeAnimations[fan];
        animation.setStartValue(0);
        animation.setEndValue(2);
        animation.setTargetObject(labels[fan]);
        animation.setPropertyName("rotate");
        animation.setLoopCount(-1);
    }
}

void FanModes::showMode(ControllerRules::Mode mode)
{
    const bool automatic = mode == ControllerRules::Mode::Auto;
    (automatic ? m_form->pushButtonAutoFan : m_form->pushButtonManFan)->setChecked(true);
    setSlidersEnabled(!automatic);
    if (automatic) {
        m_cooling.autoStarted();
        m_autoTimer->start();
    } else {
        m_autoTimer->stop();
        m_cooling.autoStopped();
    }
}

// With both groups on the CPU load's default curve this is AUTO as it always
// was: one level for both, from the averaged load.
void FanModes::stepCpuLoad()
{
    const AutoCooling::Levels levels = m_cooling.tick(topLevels());
    showCpuLoad(levels);
    if (levels[0] || levels[1])
        m_rules.followLevels(levels[0].value_or(-1), levels[1].value_or(-1));
}

// The line shows the level of the first group that follows the CPU load.
void FanModes::showCpuLoad(const AutoCooling::Levels &levels)
{
    const std::optional<int> percent = m_cooling.cpuPercentOfLastTick();
    if (!percent)
        return;
    const bool g1FollowsCpu = m_cooling.choice(0).source() == QLatin1String(SourceList::CpuLoadId);
    const std::optional<int> level = g1FollowsCpu ? levels[0] : levels[1];
    m_form->labelCPU->setText(CpuLoadSampler::Reading{*percent, level.value_or(0)}.labelText());
}

AutoCooling::TopLevels FanModes::topLevels() const
{
    if (!m_rules.activeProcessor())
        return {m_form->horizontalSliderFanG1->maximum(), m_form->horizontalSliderFanG2->maximum()};
    return {m_rules.maxLevel(Group::G1), m_rules.maxLevel(Group::G2)};
}

void FanModes::watchFans()
{
    if (!m_rules.isConnected() || !m_seesStalls)
        return;
    FanDutyProcessor *processor = m_rules.activeProcessor();
    for (int fan = 0; fan < int(Driver::FanRpmProperties.size()); ++fan)
        m_cooling.fanPolled(fan, processor->currentDuty(fan),
                            m_rules.driver()->property(Driver::fanRpmProperty(fan)).toInt());
}

void FanModes::attach()
{
    FanDutyProcessor *processor = m_rules.activeProcessor();
    m_form->checkBoxHibernateFan->setEnabled(m_rules.canHibernate());
    loadSlider(m_form->horizontalSliderFanG1, Group::G1);
    loadSlider(m_form->horizontalSliderFanG2, Group::G2);
    showDuty(m_form->labelFanDutyG1, processor->currentDuty(G1FirstFan));
    showDuty(m_form->labelFanDutyG2, processor->currentDuty(G2FirstFan));
    spinGroup(G1FirstFan, m_form->horizontalSliderFanG1->value());
    spinGroup(G2FirstFan, m_form->horizontalSliderFanG2->value());
    using Part = ControllerRules::Part;
    using Option = ControllerRules::Option;
    m_form->checkBoxHibernateFan->setChecked(m_rules.option(Part::Fan, Option::Hibernate));
    m_form->checkBoxAutoStartFan->setChecked(m_rules.option(Part::Fan, Option::AutoRun));
    setControlsEnabled(true);
    // Only controllers with tachometers publish speeds, from the read at open on.
    m_seesStalls = m_rules.driver()->property(Driver::fanRpmProperty(0)).isValid();
}

// The mode buttons keep their state, so AUTO stays checked but waits for a
// click to run again.
void FanModes::detach()
{
    m_seesStalls = false;
    m_cooling.controllerGone();
    setControlsEnabled(false);
    m_autoTimer->stop();
    moveSliderQuietly(m_form->horizontalSliderFanG1, 0);
    moveSliderQuietly(m_form->horizontalSliderFanG2, 0);
    showDuty(m_form->labelFanDutyG1, 0);
    showDuty(m_form->labelFanDutyG2, 0);
    m_form->checkBoxAutoStartFan->setChecked(false);
    m_form->checkBoxHibernateFan->setChecked(false);
    m_bladeSpinner.stopAll();
}

void FanModes::loadSlider(QSlider *slider, ControllerRules::Group group)
{
    const QSignalBlocker quiet(slider);
    slider->setPageStep(1);
    slider->setMinimum(0);
    slider->setMaximum(m_rules.maxLevel(group));
    slider->setValue(m_rules.groupLevel(group));
}

// The check boxes send only when clicked, so setting them here sends nothing twice.
void FanModes::showOption(ControllerRules::Part part, ControllerRules::Option option, bool on)
{
    if (part != ControllerRules::Part::Fan)
        return;
    QCheckBox *box =
        option == ControllerRules::Option::AutoRun ? m_form->checkBoxAutoStartFan : m_form->checkBoxHibernateFan;
    box->setChecked(on);
}

void FanModes::showLevels(int g1Level, int g2Level)
{
    if (g1Level >= 0)
        moveSliderQuietly(m_form->horizontalSliderFanG1, g1Level);
    if (g2Level >= 0)
        moveSliderQuietly(m_form->horizontalSliderFanG2, g2Level);
    spinGroup(G1FirstFan, g1Level);
    spinGroup(G2FirstFan, g2Level);
    FanDutyProcessor *processor = m_rules.activeProcessor();
    showDuty(m_form->labelFanDutyG1, processor->currentDuty(G1FirstFan + 1));
    showDuty(m_form->labelFanDutyG2, processor->currentDuty(G2FirstFan));
}

// The blades take the period of the duty just scheduled.
void FanModes::spinGroup(int firstFan, int level)
{
    for (int fan = firstFan; fan < firstFan + FansPerGroup; ++fan) {
        if (level >= 1)
            m_bladeSpinner.spin(fan, m_rules.activeProcessor()->bladePeriod(fan));
        else if (level == 0)
            m_bladeSpinner.stop(fan);
    }
}

void FanModes::moveSliderQuietly(QSlider *slider, int level)
{
    const QSignalBlocker quiet(slider);
    slider->setValue(level);
}

void FanModes::setSlidersEnabled(bool enabled)
{
    m_form->horizontalSliderFanG1->setEnabled(enabled);
    m_form->horizontalSliderFanG2->setEnabled(enabled);
}

void FanModes::setControlsEnabled(bool enabled)
{
    const std::array<QWidget *, 4> controls = {m_form->pushButtonDustFan, m_form->pushButtonAutoFan,
                                               m_form->pushButtonManFan, m_form->frameFanControlPanel};
    for (QWidget *control : controls)
        control->setEnabled(enabled);
}

void FanModes::showDuty(QLabel *label, int duty)
{
    label->setText(QCoreApplication::translate("MainWindow", "DUTY CYCLE %1%").arg(duty, 3, 10, QLatin1Char(' ')));
}
