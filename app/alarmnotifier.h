// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QIcon>
#include <QObject>

class AlarmBoard;
class QSystemTrayIcon;

/**
 * The cooling alarms in the tray: a notification when one begins, and while
 * any stands, the icon with a warning sign and the alarms as its tool tip.
 */
class AlarmNotifier final : public QObject
{
    Q_OBJECT

public:
    /// @p tray and @p alarms must outlive the notifier.
    AlarmNotifier(QSystemTrayIcon &tray, const AlarmBoard &alarms, QObject *parent = nullptr);

    /// The tray icon with a warning sign in its lower right quarter.
    static QIcon warningIcon(const QIcon &icon);

private:
    void alarmBegan(const QString &id, const QString &text);
    void showState();

    QSystemTrayIcon &m_tray;
    const AlarmBoard &m_alarms;
    QIcon m_normalIcon;
    QIcon m_warningIcon;
    QString m_normalToolTip;
};
