// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QSlider>

/**
 * A slider whose style sheet may select on its value, as in
 * `QSlider[value="9"]::sub-page`.
 *
 * Qt matches property selectors only when a widget is polished, so a plain
 * QSlider keeps the look of the value it had then. This one polishes itself
 * again on every value change, including changes made with its signals
 * blocked.
 */
class LevelSlider : public QSlider
{
    Q_OBJECT

public:
    explicit LevelSlider(QWidget *parent = nullptr);

protected:
    void sliderChange(SliderChange change) override;
};
