// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

#include <array>

class QPropertyAnimation;
class QWidget;

/**
 * Runs the fan-blade animations of the four fans, and holds them still while
 * the window that shows them is off screen (hidden, in the tray, or
 * minimised), so that a window nobody sees costs no animation ticks.
 *
 * Spinning and stopping are recorded whether or not the window is on screen,
 * and each fan's loop period is always kept current; when the window comes
 * back the fans that should spin go on, so nothing visible depends on when
 * the window was away.
 */
class FanBladeSpinner final : public QObject
{
    Q_OBJECT

public:
    /// @p animations in fan order (fan 0 to 3); they and @p window must outlive the spinner.
    FanBladeSpinner(const std::array<QPropertyAnimation *, 4> &animations, QWidget *window);

    /// Lets fan @p fan spin with one loop every @p periodMs ms; a fan already spinning only takes the new period.
    void spin(int fan, int periodMs);
    void stop(int fan);
    void stopAll();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void setOnScreen(bool onScreen);
    void follow(int fan);

    std::array<QPropertyAnimation *, 4> m_animations;
    std::array<bool, 4> m_spinning{};
    QWidget *m_window;
    bool m_onScreen;
};
