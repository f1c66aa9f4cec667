// SPDX-License-Identifier: GPL-3.0-or-later
#include "modalboxwatcher.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>

ModalBoxWatcher::ModalBoxWatcher(QObject *parent)
    : QObject(parent)
{
    m_poll.setInterval(20);
    connect(&m_poll, &QTimer::timeout, this, &ModalBoxWatcher::answer);
    m_poll.start();
}

void ModalBoxWatcher::answer()
{
    auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
    if (!box || box->buttons().isEmpty())
        return;
    m_boxes.append({box->windowTitle(), box->text(), int(box->standardButtons()), int(box->icon())});
    box->buttons().constFirst()->click();
}
