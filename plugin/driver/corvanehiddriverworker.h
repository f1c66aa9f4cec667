// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "corvaneopenresult.h"

#include <QMutex>
#include <QObject>
#include <QString>
#include <QVariantHash>

#include <chrono>
#include <deque>
#include <functional>

class CorvaneHIDDriverIfBase;
class QTimer;

/**
 * The half of a driver object that talks to the controller, on the driver's
 * I/O thread: every protocol call, and so every HID exchange, runs here, one
 * at a time under the driver's lock.
 *
 * Requests come from the driver's thread and wait in a queue that is bounded
 * by meaning: a request with the key of one that has not started replaces it
 * (and moves to the back, so the newest order among requests stays), so the
 * newest LED law, duty of a fan or poll wins and a script that asks a
 * thousand times does not keep the controller busy for minutes. Work that has started
 * always runs to its end. Save runs at most once every save interval
 * (SaveInterval as shipped).
 *
 * What the protocols read from the controller they write as dynamic
 * properties on a scratch object of this thread; the values travel to the
 * driver by queued signals, so the driver's properties change only on its
 * own thread.
 */
class CorvaneHIDDriverWorker final : public QObject
{
    Q_OBJECT

public:
    using Clock = std::chrono::steady_clock;
    using Work = std::function<void(CorvaneHIDDriverIfBase &protocol)>;

    /**
     * Saving rewrites the controller's own memory, which wears with every
     * write; a few seconds apart still lets a user who saves again see it
     * done soon after.
     */
    static constexpr std::chrono::milliseconds SaveInterval{5000};

    /// @p protocol is used only on this object's thread and is not owned.
    CorvaneHIDDriverWorker(CorvaneHIDDriverIfBase *protocol, std::chrono::milliseconds saveInterval);

    // Callable from any thread.
    /// Runs @p work after the requests before it; an empty @p key is never replaced.
    void request(const QString &key, Work work);
    void requestOpen(const QString &devPath);
    void requestClose();
    void requestPoll();
    void requestSave();
    /// Runs what is queued, Save included whatever its time, closes the device and ends the thread.
    void finish();

signals:
    void opened(const QString &devPath, CorvaneOpenResult result, const QVariantHash &values);
    /// One poll's values (none when the read failed) and whether the controller is failing now.
    void polled(const QVariantHash &values, bool failing);
    /// The exchanges failed for so long that the device was let go.
    void unanswered();

private:
    struct Request
    {
        QString key;
        Work work;
        Clock::time_point notBefore;
    };

    void enqueue(Request request);
    void drain();
    bool takeDue(Request *next);
    void run(const Request &request);
    void drainAll();
    void open(CorvaneHIDDriverIfBase &protocol, const QString &devPath);
    void poll(CorvaneHIDDriverIfBase &protocol);
    void save(CorvaneHIDDriverIfBase &protocol);
    void letGoIfUnanswered();

    CorvaneHIDDriverIfBase *m_protocol;
    const std::chrono::milliseconds m_saveInterval;
    /// The driver's lock: serialises the protocol calls.
    QMutex m_protocolMutex;

    // Shared with the requesting thread, under m_queueMutex.
    QMutex m_queueMutex;
    std::deque<Request> m_queue;
    bool m_drainPosted = false;
    Clock::time_point m_nextSaveAllowed;

    QTimer *m_dueTimer;
};
