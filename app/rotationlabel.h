// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLabel>
#include <QList>
#include <QPixmap>

/**
 * A label that flips through a list of pictures as its int property
 * `rotate` changes, so a QPropertyAnimation on "rotate" makes it spin.
 *
 * Frame `rotate` modulo the number of frames is shown; the modulo is the
 * mathematical one, so negative values pick a valid frame as well. Without
 * frames the label only remembers the value.
 */
class RotationLabel : public QLabel
{
    Q_OBJECT
    Q_PROPERTY(int rotate READ rotate WRITE setRotate)

public:
    explicit RotationLabel(QWidget *parent = nullptr, Qt::WindowFlags flags = Qt::WindowFlags());

    /** The value last passed to setRotate(); 0 for a new label. */
    int rotate() const;

    /** Appends one animation frame; frames are numbered from 0 in the order added. */
    void addPixmap(const QPixmap &pixmap);

public slots:
    void setRotate(int rotate);

private:
    QList<QPixmap> m_pixmaps;
    int m_rotate = 0;
};
