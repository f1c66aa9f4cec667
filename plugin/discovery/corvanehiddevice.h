// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "corvanehiddriver.h"
#include "corvaneopenresult.h"

#include <QList>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVector>

class QTimer;

/**
 * The device manager: keeps the supported vendor/product ids, owns one driver
 * per protocol and connects at most one controller at a time, announcing it
 * with supportedDeviceOpened() and supportedDeviceClosed().
 *
 * Drivers are tried in a fixed order (v1100, then v2000); the first whose
 * probe accepts the device keeps it. The drivers open on their I/O threads,
 * so a connection completes after the request that asked for it returns:
 * paths asked for meanwhile wait their turn, in order, and
 * supportedDeviceOpened() comes once one opened. A controller that another
 * process has open is tried again quietly every second until it is free or
 * gone.
 *
 * A controller that stops answering is closed as if it had been removed.
 * Its path is probed again a few times, further apart each time, with the
 * driver that had it, until it answers, goes away or another controller
 * opens; the schedule ends after its last step and only a new arrival opens
 * the controller from then on.
 */
class CorvaneHIDDevice : public QObject
{
    Q_OBJECT
public:
    explicit CorvaneHIDDevice(QObject *parent = nullptr);
    /// Drivers that keep @p timing instead of the shipped times.
    explicit CorvaneHIDDevice(const CorvaneHIDDriver::Timing &timing, QObject *parent = nullptr);
    ~CorvaneHIDDevice() override;

    int currentIndex() const { return m_currentIndex; }
    const QList<quint32> &supportedIds() const { return m_supportedIds; }
    const QList<CorvaneHIDDriver *> &drivers() const { return m_drivers; }

    /// The waits before each probe of a controller let go for not answering, in order.
    void setReprobeDelays(const QVector<int> &delaysMs);

signals:
    void supportedDeviceOpened(QString devPath, QObject *device);
    void supportedDeviceClosed(QString devPath, QObject *device);

public slots:
    void addSupportedDeviceID(ushort vid, ushort pid);
    void setMonitorWidget(QObject *monitor);
    void tryConnectSupportedDevice();
    void connectDeviceByPath(QString devPath);
    void disconnectDeviceByPath(QString devPath);
    /// The paths of the supported controllers present, in enumeration order.
    QStringList supportedDevicePaths() const;
    /// Who has the controller at @p devPath open ("<program> (pid <n>)"); empty when nobody.
    QString deviceHolder(QString devPath) const;
    /// An open is on its way or paths wait for their turn.
    bool isConnecting() const;

private:
    bool isSupportedPath(const QString &devPath) const;
    void openNextCandidate();
    void openWith(int index, const QString &devPath);
    void openFinished(int index, const QString &devPath, CorvaneOpenResult result);
    bool announceOpened(int index, const QString &devPath);
    void letGoOfUnanswered(CorvaneHIDDriver *driver);
    void reprobe();
    void scheduleReprobe();
    void forgetReprobe();
    void retryWhenFree(const QString &devPath);

    QList<CorvaneHIDDriver *> m_drivers;
    int m_currentIndex = -1;
    QList<quint32> m_supportedIds;

    QVector<int> m_reprobeDelaysMs;
    QTimer *m_reprobeTimer;
    QString m_reprobePath;
    int m_reprobeDriver = -1;
    int m_reprobesDone = 0;
    QSet<QString> m_retrying;

    /// Paths asked for while another open was on its way, oldest first; duplicates each get their try.
    QStringList m_candidates;
    QString m_openingPath;
    bool m_opening = false;
    /// The open on its way is a probe of the reprobe schedule: one driver only.
    bool m_openingReprobe = false;
    /// The device being opened was removed meanwhile.
    bool m_openingRemoved = false;
};
