// SPDX-License-Identifier: GPL-3.0-or-later
#include "rotationlabel.h"

RotationLabel::RotationLabel(QWidget *parent, Qt::WindowFlags flags)
    : QLabel(parent, flags)
{
}

int RotationLabel::rotate() const
{
    return m_rotate;
}

void RotationLabel::addPixmap(const QPixmap &pixmap)
{
    m_pixmaps.append(pixmap);
}

void RotationLabel::setRotate(int rotate)
{
    m_rotate = rotate;
    if (m_pixmaps.isEmpty())
        return;
    const int count = m_pixmaps.size();
    // C++'s % keeps the sign of the dividend; fold negatives back into range.
    const QPixmap &frame = m_pixmaps.at((rotate % count + count) % count);
    // An animation sets the value on every tick, many times per frame, and a
    // label repaints on every setPixmap(): only a new frame is worth one.
    if (frame.isNull() || pixmap(Qt::ReturnByValue).cacheKey() != frame.cacheKey())
        setPixmap(frame);
}
