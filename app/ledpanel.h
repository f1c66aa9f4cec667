// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ledlawsnapshot.h"

#include <QObject>
#include <QString>

#include <memory>

class QButtonGroup;
struct DeviceIdentity;

namespace Ui {
class MainWindow;
}

/**
 * The LED half of the panel: the power switch, the 14 solid and 14 breathing
 * colours and the colour cycle with their preview, and the controller's two
 * LED options (auto-start, auto-hibernate).
 *
 * It keeps no LED state beyond its controls: each operation turns into one
 * queued call of the driver object. The operations are what a user can do
 * with these controls; the window's slots call them with the user's input,
 * and another front end may call them as well: the controls then follow (the
 * switch moves, the preview changes). They answer false, and change nothing,
 * when they are refused: without a controller, with the LEDs switched off for
 * an effect, or where the control they stand for could not be used either.
 */
class LedPanel final : public QObject
{
    Q_OBJECT

public:
    static constexpr int ColourCount = 14;

    /// What the panel last played: an effect button's law, or None (an uploaded law, or nothing yet).
    enum class Effect { None, Solid, Breathe, Cycle };

    /**
     * Numbers the effect buttons of the form in @p solid and @p breathing (the
     * window's named groups), ids 0 to 13. @p form must outlive the panel;
     * the LED controls start disabled.
     */
    LedPanel(Ui::MainWindow *form, QButtonGroup *solid, QButtonGroup *breathing, QObject *parent = nullptr);

    /// Switches the LED strip; the effect buttons can be used only while it is on.
    bool setPower(bool on);
    /// Plays solid colour @p colour (0 to 13).
    bool setSolidColour(int colour);
    /// Plays breathing colour @p colour (0 to 13).
    bool setBreathingColour(int colour);
    bool setColourCycle();
    /**
     * Sends the law read into @p law as the effect buttons do; the preview
     * keeps what it showed. The law's copy is kept until the next upload, so
     * the driver can read it when it comes to it.
     */
    bool uploadLedLaw(std::unique_ptr<LedLawSnapshot> law);
    /// The controller's own option: play the stored effect at power-on.
    bool setAutoRun(bool on);
    Effect effect() const { return m_effect; }
    /// The colour of the solid or breathing effect; -1 for the others.
    int colour() const { return m_colour; }
    /// The controller's own option: switch off when the PC goes; refused by the first firmware.
    bool setHibernate(bool on);

public slots:
    /// Takes the controller just opened and loads the LED controls from it.
    void attach(QObject *driver, const DeviceIdentity &identity);
    /// Forgets the closed controller and clears the LED options.
    void detach();

private:
    bool canPlay() const;
    bool playEffect(Effect effect, int colour);
    void sendLaw(const QString &path);
    void setControlsEnabled(bool enabled);

    Ui::MainWindow *m_form;
    QObject *m_driver = nullptr;
    bool m_canHibernate = false;
    Effect m_effect = Effect::None;
    int m_colour = -1;
    std::unique_ptr<LedLawSnapshot> m_uploadedLaw;
};
