// SPDX-License-Identifier: GPL-3.0-or-later
#include "corvanehiddriverworker.h"

#include "corvanehiddriverifbase.h"

#include <QMutexLocker>
#include <QThread>
#include <QTimer>
#include <QVariant>

namespace {

const QString PollKey = QStringLiteral("poll");
const QString SaveKey = QStringLiteral("save");

/// The dynamic properties a protocol wrote on @p sheet.
QVariantHash collected(const QObject &sheet)
{
    QVariantHash values;
    for (const QByteArray &name : sheet.dynamicPropertyNames())
        values.insert(QString::fromLatin1(name), sheet.property(name));
    return values;
}

} // namespace

CorvaneHIDDriverWorker::CorvaneHIDDriverWorker(CorvaneHIDDriverIfBase *protocol, std::chrono::milliseconds saveInterval)
    : m_protocol(protocol)
    , m_saveInterval(saveInterval)
    , m_dueTimer(new QTimer(this))
{
    qRegisterMetaType<CorvaneOpenResult>();
    m_dueTimer->setSingleShot(true);
    connect(m_dueTimer, &QTimer::timeout, this, &CorvaneHIDDriverWorker::drain);
}

void CorvaneHIDDriverWorker::request(const QString &key, Work work)
{
    enqueue({key, std::move(work), Clock::time_point()});
}

void CorvaneHIDDriverWorker::requestOpen(const QString &devPath)
{
    request(QString(), [this, devPath](CorvaneHIDDriverIfBase &protocol) { open(protocol, devPath); });
}

void CorvaneHIDDriverWorker::requestClose()
{
    request(QString(), [](CorvaneHIDDriverIfBase &protocol) { protocol.close(); });
}

void CorvaneHIDDriverWorker::requestPoll()
{
    request(PollKey, [this](CorvaneHIDDriverIfBase &protocol) { poll(protocol); });
}

// The time is taken when the request comes: a newer request that replaces
// it keeps the older one's turn, so a run of requests ends in one save.
void CorvaneHIDDriverWorker::requestSave()
{
    Clock::time_point notBefore;
    {
        QMutexLocker locker(&m_queueMutex);
        notBefore = m_nextSaveAllowed;
    }
    enqueue({SaveKey, [this](CorvaneHIDDriverIfBase &protocol) { save(protocol); }, notBefore});
}

void CorvaneHIDDriverWorker::enqueue(Request request)
{
    QMutexLocker locker(&m_queueMutex);
    if (!request.key.isEmpty()) {
        const auto same = std::find_if(m_queue.begin(), m_queue.end(),
                                       [&request](const Request &queued) { return queued.key == request.key; });
        if (same != m_queue.end()) {
            request.notBefore = std::max(request.notBefore, same->notBefore);
            m_queue.erase(same);
        }
    }
    m_queue.push_back(std::move(request));
    if (!m_drainPosted) {
        m_drainPosted = true;
        QMetaObject::invokeMethod(this, &CorvaneHIDDriverWorker::drain, Qt::QueuedConnection);
    }
}

void CorvaneHIDDriverWorker::finish()
{
    QMetaObject::invokeMethod(this, [this] {
        m_dueTimer->stop();
        drainAll();
        {
            QMutexLocker locker(&m_protocolMutex);
            m_protocol->close();
        }
        thread()->quit();
    }, Qt::QueuedConnection);
}

// Requests that come while one runs are taken in the same pass.
void CorvaneHIDDriverWorker::drain()
{
    {
        QMutexLocker locker(&m_queueMutex);
        m_drainPosted = false;
    }
    Request next;
    while (takeDue(&next))
        run(next);
}

// Takes the oldest request whose time has come; when only later ones wait,
// the timer wakes the queue for the first of them.
bool CorvaneHIDDriverWorker::takeDue(Request *next)
{
    QMutexLocker locker(&m_queueMutex);
    const Clock::time_point now = Clock::now();
    const auto due = std::find_if(m_queue.begin(), m_queue.end(),
                                  [now](const Request &queued) { return queued.notBefore <= now; });
    if (due != m_queue.end()) {
        *next = std::move(*due);
        m_queue.erase(due);
        return true;
    }
    if (!m_queue.empty()) {
        const auto first = std::min_element(m_queue.begin(), m_queue.end(), [](const Request &a, const Request &b) {
            return a.notBefore < b.notBefore;
        });
        m_dueTimer->start(std::chrono::ceil<std::chrono::milliseconds>(first->notBefore - now));
    }
    return false;
}

void CorvaneHIDDriverWorker::drainAll()
{
    std::deque<Request> all;
    {
        QMutexLocker locker(&m_queueMutex);
        all.swap(m_queue);
    }
    for (const Request &request : all)
        run(request);
}

void CorvaneHIDDriverWorker::run(const Request &request)
{
    QMutexLocker locker(&m_protocolMutex);
    request.work(*m_protocol);
    letGoIfUnanswered();
}

// Closing at once makes the requests still queued for the device fail
// without waiting out a timeout each.
void CorvaneHIDDriverWorker::letGoIfUnanswered()
{
    if (!m_protocol->isOpen() || !m_protocol->failures().unanswered())
        return;
    m_protocol->close();
    emit unanswered();
}

void CorvaneHIDDriverWorker::open(CorvaneHIDDriverIfBase &protocol, const QString &devPath)
{
    if (!protocol.open(devPath)) {
        const CorvaneOpenResult result = protocol.claimRefused() ? CorvaneOpenResult::Busy : CorvaneOpenResult::Refused;
        // The protocol keeps a handle it held before a failed open; an idle
        // driver must hold none.
        protocol.close();
        emit opened(devPath, result, {});
        return;
    }
    QObject sheet;
    protocol.updatePhyDeviceReadOnlyPropertyToDriverObject(&sheet);
    emit opened(devPath, CorvaneOpenResult::Opened, collected(sheet));
}

void CorvaneHIDDriverWorker::poll(CorvaneHIDDriverIfBase &protocol)
{
    QObject sheet;
    protocol.updatePhyDeviceRealtimePropertyToDriverObject(&sheet);
    emit polled(collected(sheet), protocol.failures().failing());
}

void CorvaneHIDDriverWorker::save(CorvaneHIDDriverIfBase &protocol)
{
    {
        QMutexLocker locker(&m_queueMutex);
        m_nextSaveAllowed = Clock::now() + m_saveInterval;
    }
    protocol.saveSettings();
}
