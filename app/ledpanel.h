// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "controllerrules.h"

#include <QObject>

class QButtonGroup;

namespace Ui {
class MainWindow;
}

/**
 * The LED half of the panel, a view of the controller rules: the power
 * switch, the 14 solid and 14 breathing colours and the colour cycle with
 * their preview, and the controller's two LED options (auto-start,
 * auto-hibernate). Whoever changes the rules, the controls follow: the switch
 * moves, the preview changes.
 */
class LedPanel final : public QObject
{
    Q_OBJECT

public:
    /**
     * Numbers the effect buttons of the form in @p solid and @p breathing (the
     * window's named groups), ids 0 to 13. @p form and @p rules must outlive
     * the panel; the LED controls start disabled.
     */
    LedPanel(Ui::MainWindow *form, QButtonGroup *solid, QButtonGroup *breathing, ControllerRules &rules,
             QObject *parent = nullptr);

private:
    void attach();
    void detach();
    void showPower(bool on);
    void showEffect(ControllerRules::Effect effect, int colour);
    void showOption(ControllerRules::Part part, ControllerRules::Option option, bool on);
    void setControlsEnabled(bool enabled);

    Ui::MainWindow *m_form;
    ControllerRules &m_rules;
};
