// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "curveeditor.h"

#include <QTimer>
#include <QWidget>

class CoolingControl;
class QCheckBox;
class QLabel;

/**
 * The window's "Cooling" tab: per fan group the source and curve AUTO
 * follows (a CurveEditor each), the standing alarms, whether the controller
 * lets a stopped fan be seen, and whether closing the window without a tray
 * keeps the cooling running. The sources' values are read again every two
 * seconds while the page is on screen.
 */
class CoolingPage final : public QWidget
{
    Q_OBJECT

public:
    /// @p control must outlive the page.
    CoolingPage(CoolingControl &control, CurveEditor::TopLevels tops, QWidget *parent = nullptr);

    /// Whether the connected controller reports fan speeds; false also without a controller.
    void setStallsVisible(bool visible);
    /// The levels' top changed (a controller opened): the default curves follow.
    void reload();
    /// The answer to whether closing the window without a tray keeps the cooling running; stored.
    void setKeepsCooling(bool keep);

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void showAlarms();
    void showLiveValues();
    static void storeKeepsCooling(bool keep);

    CoolingControl &m_control;
    CurveEditor *m_editors[2];
    QLabel *m_alarms;
    QLabel *m_stallNote;
    QCheckBox *m_keepRunning;
    QTimer m_liveTimer;
};
