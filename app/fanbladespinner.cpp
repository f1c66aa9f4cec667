// SPDX-License-Identifier: GPL-3.0-or-later
#include "fanbladespinner.h"

#include <QEvent>
#include <QPropertyAnimation>
#include <QWidget>

FanBladeSpinner::FanBladeSpinner(const std::array<QPropertyAnimation *, 4> &animations, QWidget *window)
    : m_animations(animations),
      m_window(window),
      m_onScreen(window->isVisible() && !window->isMinimized())
{
    window->installEventFilter(this);
}

void FanBladeSpinner::spin(int fan, int periodMs)
{
    m_animations[fan]->setDuration(periodMs);
    m_spinning[fan] = true;
    follow(fan);
}

void FanBladeSpinner::stop(int fan)
{
    m_spinning[fan] = false;
    m_animations[fan]->stop();
}

void FanBladeSpinner::stopAll()
{
    for (int fan = 0; fan < int(m_animations.size()); ++fan)
        stop(fan);
}

// A minimised window may stay "visible" while the system shows it only as
// an icon, so the window state counts as much as showing and hiding.
bool FanBladeSpinner::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::Show:
        setOnScreen(!m_window->isMinimized());
        break;
    case QEvent::Hide:
        setOnScreen(false);
        break;
    case QEvent::WindowStateChange:
        setOnScreen(m_window->isVisible() && !m_window->isMinimized());
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

void FanBladeSpinner::setOnScreen(bool onScreen)
{
    if (m_onScreen == onScreen)
        return;
    m_onScreen = onScreen;
    for (int fan = 0; fan < int(m_animations.size()); ++fan) {
        if (m_spinning[fan])
            follow(fan);
    }
}

// Brings a spinning fan's animation in line with whether the window is seen.
void FanBladeSpinner::follow(int fan)
{
    QPropertyAnimation *animation = m_animations[fan];
    if (!m_onScreen) {
        if (animation->state() == QAbstractAnimation::Running)
            animation->pause();
    } else if (animation->state() == QAbstractAnimation::Paused) {
        animation->resume();
    } else if (animation->state() == QAbstractAnimation::Stopped) {
        animation->start();
    }
}
