// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>
#include <QTimer>
#include <QVector>

/**
 * Answers every modal message box that comes up while it lives by pressing
 * the box's first button, and records what the box said, so that code which
 * shows a box with exec() can run inside a test without blocking.
 */
class ModalBoxWatcher final : public QObject
{
    Q_OBJECT
public:
    struct Box
    {
        QString title;
        QString text;
        int buttons = 0;   ///< QMessageBox::StandardButtons
        int icon = 0;      ///< QMessageBox::Icon
    };

    explicit ModalBoxWatcher(QObject *parent = nullptr);

    const QVector<Box> &boxes() const { return m_boxes; }

private:
    void answer();

    QTimer m_poll;
    QVector<Box> m_boxes;
};
