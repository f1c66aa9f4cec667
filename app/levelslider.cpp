// SPDX-License-Identifier: GPL-3.0-or-later
#include "levelslider.h"

#include <QStyle>

LevelSlider::LevelSlider(QWidget *parent)
    : QSlider(parent)
{
}

void LevelSlider::sliderChange(SliderChange change)
{
    QSlider::sliderChange(change);
    if (change == SliderValueChange) {
        style()->unpolish(this);
        style()->polish(this);
    }
}
