// SPDX-License-Identifier: GPL-3.0-or-later
#include "alarmnotifier.h"

#include "alarmboard.h"

#include <QApplication>
#include <QPainter>
#include <QStyle>
#include <QSystemTrayIcon>

namespace {

constexpr int IconSize = 64;

} // namespace

AlarmNotifier::AlarmNotifier(QSystemTrayIcon &tray, const AlarmBoard &alarms, QObject *parent)
    : QObject(parent),
      m_tray(tray),
      m_alarms(alarms),
      m_normalIcon(tray.icon()),
      m_warningIcon(warningIcon(tray.icon())),
      m_normalToolTip(tray.toolTip())
{
    connect(&alarms, &AlarmBoard::alarmBegan, this, &AlarmNotifier::alarmBegan);
    connect(&alarms, &AlarmBoard::alarmEnded, this, &AlarmNotifier::showState);
}

QIcon AlarmNotifier::warningIcon(const QIcon &icon)
{
    QPixmap pixmap = icon.pixmap(IconSize, IconSize);
    if (pixmap.isNull())
        pixmap = QPixmap(IconSize, IconSize);
    const QIcon sign = QApplication::style()->standardIcon(QStyle::SP_MessageBoxWarning);
    QPainter painter(&pixmap);
    const int half = pixmap.width() / 2;
    painter.drawPixmap(half, half, sign.pixmap(half, half));
    return QIcon(pixmap);
}

void AlarmNotifier::alarmBegan(const QString &, const QString &text)
{
    m_tray.showMessage(tr("Cooling alarm"), text, QSystemTrayIcon::Warning);
    showState();
}

void AlarmNotifier::showState()
{
    const QStringList texts = m_alarms.standingTexts();
    m_tray.setIcon(texts.isEmpty() ? m_normalIcon : m_warningIcon);
    m_tray.setToolTip(texts.isEmpty() ? m_normalToolTip : texts.join(QLatin1Char('\n')));
}
