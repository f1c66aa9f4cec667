// SPDX-License-Identifier: GPL-3.0-or-later
#include "coolingpage.h"

#include "coolingcontrol.h"
#include "usersettings.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace {

constexpr int LiveIntervalMs = 2000;

} // namespace

CoolingPage::CoolingPage(CoolingControl &control, CurveEditor::TopLevels tops, QWidget *parent)
    : QWidget(parent),
      m_control(control),
      m_editors{new CurveEditor(0, control, tops, this), new CurveEditor(1, control, tops, this)},
      m_alarms(new QLabel(this)),
      m_stallNote(new QLabel(tr("This controller does not report fan speeds: a stopped fan cannot be seen."), this)),
      m_keepRunning(new QCheckBox(tr("Without a system tray, keep cooling in the background when the window closes"),
                                  this))
{
    setObjectName(QStringLiteral("coolingPage"));
    m_alarms->setObjectName(QStringLiteral("labelCoolingAlarms"));
    m_alarms->setWordWrap(true);
    m_alarms->setStyleSheet(QStringLiteral("color: #ff5050;"));
    m_stallNote->setObjectName(QStringLiteral("labelStallNote"));
    m_stallNote->setWordWrap(true);
    m_keepRunning->setObjectName(QStringLiteral("checkBoxKeepCooling"));
    m_keepRunning->setChecked(UserSettings::open()->value(QLatin1String(UserSettings::KeepCoolingKey)).toBool());

    auto *groups = new QHBoxLayout;
    groups->addWidget(m_editors[0]);
    groups->addWidget(m_editors[1]);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addLayout(groups, 1);
    layout->addWidget(m_alarms);
    layout->addWidget(m_stallNote);
    layout->addWidget(m_keepRunning);

    connect(&control.alarms(), &AlarmBoard::alarmBegan, this, &CoolingPage::showAlarms);
    connect(&control.alarms(), &AlarmBoard::alarmEnded, this, &CoolingPage::showAlarms);
    connect(m_keepRunning, &QCheckBox::toggled, this, &CoolingPage::storeKeepsCooling);
    m_liveTimer.setInterval(LiveIntervalMs);
    connect(&m_liveTimer, &QTimer::timeout, this, &CoolingPage::showLiveValues);
    showAlarms();
    setStallsVisible(false);
}

void CoolingPage::setStallsVisible(bool visible)
{
    m_stallNote->setVisible(!visible);
}

void CoolingPage::reload()
{
    for (CurveEditor *editor : m_editors)
        editor->load();
}

void CoolingPage::setKeepsCooling(bool keep)
{
    m_keepRunning->setChecked(keep);
    storeKeepsCooling(keep);
}

void CoolingPage::storeKeepsCooling(bool keep)
{
    UserSettings::open()->setValue(QLatin1String(UserSettings::KeepCoolingKey), keep);
}

void CoolingPage::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    showLiveValues();
    m_liveTimer.start();
}

void CoolingPage::hideEvent(QHideEvent *event)
{
    m_liveTimer.stop();
    QWidget::hideEvent(event);
}

void CoolingPage::showAlarms()
{
    const QStringList texts = m_control.alarms().standingTexts();
    m_alarms->setText(texts.join(QLatin1Char('\n')));
    m_alarms->setVisible(!texts.isEmpty());
}

void CoolingPage::showLiveValues()
{
    for (CurveEditor *editor : m_editors)
        editor->showLiveValue();
}
