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
    if (!m_pixmaps.isEmpty()) {
        const int count = m_pixmaps.size();
        // C++'s % keeps the sign of the dividend; fold negatives back into range.
        setPixmap(m_pixmaps.at((rotate % count + count) % count));
    }
    m_rotate = rotate;
}
