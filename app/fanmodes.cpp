// SPDX-License-Identifier: GPL-3.0-or-later
#include "fanmodes.h"
#include "ui_mainwindow.h"

#include "corvanedrivernames.h"
#include "deviceidentity.h"
#include "rotationlabel.h"
#include "usersettings.h"
#include "windowlogging.h"

#include <QButtonGroup>
#include <QCoreApplication>
#include <QPixmap>
#include <QSignalBlocker>
#include <QTimer>

namespace {

namespace Driver = CorvaneDriverNames::Driver;

constexpr int FansPerGroup = 2;
constexpr int G1FirstFan = 0;
constexpr int G2FirstFan = 2;

} // namespace

FanModes::FanModes(Ui::MainWindow *form, QTimer *autoTimer, QObject *parent)
    : QObject(parent),
      m_form(form),
      m_autoTimer(autoTimer),
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

bool FanModes::setMode(Mode mode)
{
    if (!m_driver)
        return false;
    if (mode == Mode::Auto) {
        m_form->pushButtonAutoFan->setChecked(true);
        enterAuto();
    } else {
        m_form->pushButtonManFan->setChecked(true);
        enterManual();
    }
    return true;
}

void FanModes::enterAuto()
{
    m_cooling.autoStarted();
    setSlidersEnabled(false);
    const int top = topLevel();
    control_fans(top, top);
    moveSlidersQuietly(top);
    m_autoTimer->start();
}

void FanModes::enterManual()
{
    setSlidersEnabled(true);
    m_autoTimer->stop();
    m_cooling.autoStopped();
}

bool FanModes::setGroupLevel(Group group, int level)
{
    QSlider *groupSlider = slider(group);
    if (!m_driver || isAuto() || level < 0 || level > groupSlider->maximum())
        return false;
    {
        const QSignalBlocker quiet(groupSlider);
        groupSlider->setValue(level);
    }
    if (group == Group::G1)
        control_fans(level, -1);
    else
        control_fans(-1, level);
    return true;
}

bool FanModes::runDust()
{
    if (!m_driver)
        return false;
    m_active->dust();
    return true;
}

void FanModes::setBoost(bool on)
{
    m_form->checkBoxChangeBoost->setChecked(on);
}

// The check boxes send only when clicked, so setting them here sends nothing twice.
bool FanModes::setAutoRun(bool on)
{
    if (!m_driver)
        return false;
    m_form->checkBoxAutoStartFan->setChecked(on);
    QMetaObject::invokeMethod(m_driver, Driver::EnableAutoRunFan.name(), Qt::QueuedConnection, Q_ARG(bool, on));
    return true;
}

bool FanModes::setHibernate(bool on)
{
    if (!m_driver || !m_canHibernate)
        return false;
    m_form->checkBoxHibernateFan->setChecked(on);
    QMetaObject::invokeMethod(m_driver, Driver::EnableAutoHibernateFan.name(), Qt::QueuedConnection,
                              Q_ARG(bool, on));
    return true;
}

// With both groups on the CPU load's default curve this is AUTO as it always
// was: one level for both, from the averaged load.
void FanModes::stepCpuLoad()
{
    const AutoCooling::Levels levels = m_cooling.tick(topLevels());
    showCpuLoad(levels);
    if (!levels[0] && !levels[1])
        return;
    control_fans(levels[0].value_or(-1), levels[1].value_or(-1));
    moveSliderQuietly(m_form->horizontalSliderFanG1, levels[0]);
    moveSliderQuietly(m_form->horizontalSliderFanG2, levels[1]);
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

// The active processor's tables, as AUTO has always read them at each tick;
// before any controller, the sliders' range.
AutoCooling::TopLevels FanModes::topLevels() const
{
    if (!m_active)
        return {m_form->horizontalSliderFanG1->maximum(), m_form->horizontalSliderFanG2->maximum()};
    return {m_active->maxLevel(G1FirstFan), m_active->maxLevel(G2FirstFan)};
}

void FanModes::watchFans()
{
    if (!m_driver || !m_seesStalls)
        return;
    for (int fan = 0; fan < int(Driver::FanRpmProperties.size()); ++fan)
        m_cooling.fanPolled(fan, m_active->currentDuty(fan), m_driver->property(Driver::fanRpmProperty(fan)).toInt());
}

void FanModes::attach(QObject *driver, const DeviceIdentity &identity)
{
    m_driver = driver;
    m_canHibernate = identity.canHibernate();
    m_active = &m_processors[identity.usesFirstDutyTables() ? 0 : 1];
    m_active->setDevice(driver);
    m_form->checkBoxHibernateFan->setEnabled(m_canHibernate);
    loadSlider(m_form->horizontalSliderFanG1, G1FirstFan);
    loadSlider(m_form->horizontalSliderFanG2, G2FirstFan);
    showDuty(m_form->labelFanDutyG1, m_active->currentDuty(G1FirstFan));
    showDuty(m_form->labelFanDutyG2, m_active->currentDuty(G2FirstFan));
    spinGroup(G1FirstFan, m_form->horizontalSliderFanG1->value());
    spinGroup(G2FirstFan, m_form->horizontalSliderFanG2->value());
    loadOptions(*driver);
    setControlsEnabled(true);
    // Only controllers with tachometers publish speeds, from the read at open on.
    m_seesStalls = driver->property(Driver::fanRpmProperty(0)).isValid();
}

// The processor stays chosen; the mode buttons keep their state, so AUTO
// stays checked but waits for a click to run again.
void FanModes::detach()
{
    m_driver = nullptr;
    m_seesStalls = false;
    m_cooling.controllerGone();
    if (m_active)
        m_active->setDevice(nullptr);
    setControlsEnabled(false);
    m_autoTimer->stop();
    moveSlidersQuietly(0);
    showDuty(m_form->labelFanDutyG1, 0);
    showDuty(m_form->labelFanDutyG2, 0);
    m_form->checkBoxAutoStartFan->setChecked(false);
    m_form->checkBoxHibernateFan->setChecked(false);
    m_bladeSpinner.stopAll();
}

void FanModes::loadSlider(QSlider *slider, int fan)
{
    const QSignalBlocker quiet(slider);
    slider->setPageStep(1);
    slider->setMinimum(0);
    slider->setMaximum(m_active->maxLevel(fan));
    slider->setValue(m_active->currentLevel(fan));
}

void FanModes::loadOptions(const QObject &driver)
{
    m_form->checkBoxHibernateFan->setChecked(driver.property(Driver::FanShutdownOnDisconnect).toBool());
    m_form->checkBoxAutoStartFan->setChecked(driver.property(Driver::FanAutoRun).toBool());
}

void FanModes::control_fans(int g1Level, int g2Level)
{
    if (!levelsChange(g1Level, g2Level)) {
        qCDebug(lcWindow, "ignored!");
        return;
    }
    qCDebug(lcWindow, "control_fans(%d,%d)", g1Level, g2Level);
    const bool boost = m_form->checkBoxChangeBoost->isChecked();
    if (!m_driver)
        return;
    scheduleGroup(G1FirstFan, g1Level, boost);
    scheduleGroup(G2FirstFan, g2Level, boost);
    spinGroup(G1FirstFan, g1Level);
    spinGroup(G2FirstFan, g2Level);
    showDuty(m_form->labelFanDutyG1, m_active->currentDuty(G1FirstFan + 1));
    showDuty(m_form->labelFanDutyG2, m_active->currentDuty(G2FirstFan));
}

// G2 is only looked at when G1 stays; once something changes, every group
// given a level is applied, also one that is already there.
bool FanModes::levelsChange(int g1Level, int g2Level)
{
    if (g1Level >= 0 && g1Level != currentGroupLevel(G1FirstFan))
        return true;
    return g2Level >= 0 && g2Level != currentGroupLevel(G2FirstFan);
}

int FanModes::currentGroupLevel(int firstFan)
{
    return m_active ? m_active->currentLevel(firstFan) : 0;
}

int FanModes::topLevel()
{
    return m_active ? m_active->maxLevel(G1FirstFan) : -1;
}

// Boost takes G1's top level for both groups.
void FanModes::scheduleGroup(int firstFan, int level, bool boost)
{
    if (level < 0)
        return;
    m_active->scheduleGroupLevel(firstFan, level, boost ? m_form->horizontalSliderFanG1->maximum() : -1);
}

// The blades take the period of the duty just scheduled.
void FanModes::spinGroup(int firstFan, int level)
{
    for (int fan = firstFan; fan < firstFan + FansPerGroup; ++fan) {
        if (level >= 1)
            m_bladeSpinner.spin(fan, m_active->bladePeriod(fan));
        else if (level == 0)
            m_bladeSpinner.stop(fan);
    }
}

void FanModes::moveSlidersQuietly(int level)
{
    const QSignalBlocker quietG1(m_form->horizontalSliderFanG1);
    const QSignalBlocker quietG2(m_form->horizontalSliderFanG2);
    m_form->horizontalSliderFanG1->setValue(level);
    m_form->horizontalSliderFanG2->setValue(level);
}

void FanModes::moveSliderQuietly(QSlider *slider, std::optional<int> level)
{
    if (!level)
        return;
    const QSignalBlocker quiet(slider);
    slider->setValue(*level);
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

QSlider *FanModes::slider(Group group) const
{
    return group == Group::G1 ? m_form->horizontalSliderFanG1 : m_form->horizontalSliderFanG2;
}

bool FanModes::isAuto() const
{
    return m_form->pushButtonAutoFan->isChecked();
}

FanModes::Mode FanModes::mode() const
{
    return isAuto() ? Mode::Auto : Mode::Manual;
}

bool FanModes::isDusting() const
{
    return m_active && m_active->isDusting();
}

void FanModes::showDuty(QLabel *label, int duty)
{
    label->setText(QCoreApplication::translate("MainWindow", "DUTY CYCLE %1%").arg(duty, 3, 10, QLatin1Char(' ')));
}
