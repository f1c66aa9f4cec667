// SPDX-License-Identifier: GPL-3.0-or-later
#include "controlchannel.h"

#include "corvanesim.h"
#include "simlogging.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QPointer>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace CorvaneSim {

namespace {

// A line longer than this is no control line; dropping it keeps memory bounded.
constexpr int MaxLineLength = 4096;
// Failures that stand for a pulled cable until the unplug itself is handled;
// the controller, and its faults with it, go away then.
constexpr int CutOffExchanges = 1000000;

// Its lines plug, pull and break controllers, so only its owner may use it.
bool isPrivateFifo(const struct stat &info)
{
    return S_ISFIFO(info.st_mode) && info.st_uid == geteuid() && (info.st_mode & (S_IRWXG | S_IRWXO)) == 0;
}

bool sameFile(const struct stat &a, const struct stat &b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Opens @p path as it was checked: no link is followed, and the file opened
// must be the private FIFO that was looked at.
int openChecked(const QByteArray &path, int mode, const struct stat &checked)
{
    const int fd = ::open(path.constData(), mode | O_NONBLOCK | O_CLOEXEC | O_NOFOLLOW);
    struct stat opened {};
    if (fd >= 0 && (fstat(fd, &opened) != 0 || !isPrivateFifo(opened) || !sameFile(opened, checked))) {
        ::close(fd);
        errno = EPERM;
        return -1;
    }
    return fd;
}

// The FIFO at @p path, made when absent; false with a warning when what is
// there may not be used.
bool privateFifo(const QByteArray &path, struct stat *info)
{
    if (mkfifo(path.constData(), 0600) != 0 && errno != EEXIST) {
        qCWarning(lcCorvaneSim, "control: cannot create the FIFO %s: %s", path.constData(), strerror(errno));
        return false;
    }
    if (lstat(path.constData(), info) != 0 || !isPrivateFifo(*info)) {
        qCWarning(lcCorvaneSim, "control: %s is not a FIFO of this user's with no access for group or others;"
                  " not using it", path.constData());
        return false;
    }
    return true;
}

std::optional<Fault> faultNamed(const QString &name)
{
    if (name == QLatin1String("send"))
        return Fault::Send;
    if (name == QLatin1String("get"))
        return Fault::Get;
    if (name == QLatin1String("silent"))
        return Fault::Silent;
    if (name == QLatin1String("garbage"))
        return Fault::Garbage;
    return std::nullopt;
}

struct FaultLine
{
    QString path;
    Fault fault;
    int count;
};

// "<path> <send|get|silent|garbage> [count]"
std::optional<FaultLine> parseFault(const QString &arguments)
{
    const QStringList parts = arguments.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    const auto fault = parts.size() >= 2 ? faultNamed(parts.at(1)) : std::nullopt;
    bool countOk = true;
    const int count = parts.size() == 3 ? parts.at(2).toInt(&countOk) : 1;
    if (!fault || parts.size() > 3 || !countOk || count < 1)
        return std::nullopt;
    return FaultLine{parts.at(0), *fault, count};
}

struct StallLine
{
    QString path;
    int fan;
};

// "<path> stall <fan>"
std::optional<StallLine> parseStall(const QString &arguments)
{
    const QStringList parts = arguments.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (parts.size() != 3 || parts.at(1) != QLatin1String("stall"))
        return std::nullopt;
    bool fanOk = false;
    const int fan = parts.at(2).toInt(&fanOk);
    if (!fanOk)
        return std::nullopt;
    return StallLine{parts.at(0), fan};
}

// The verb and the rest of a control line.
std::pair<QString, QString> splitLine(const QString &line)
{
    const int space = line.indexOf(QLatin1Char(' '));
    return {line.left(space), space < 0 ? QString() : line.mid(space + 1).trimmed()};
}

} // namespace

ControlChannel *ControlChannel::start(const QString &path, QObject *parent)
{
    static QHash<QString, QPointer<ControlChannel>> readers;
    const QString key = QFileInfo(path).absoluteFilePath();
    if (ControlChannel *living = readers.value(key))
        return living;

    const QByteArray native = QFile::encodeName(key);
    struct stat checked {};
    if (!privateFifo(native, &checked))
        return nullptr;
    const int readFd = openChecked(native, O_RDONLY, checked);
    const int writeFd = readFd < 0 ? -1 : openChecked(native, O_WRONLY, checked);
    const int wakeFd = writeFd < 0 ? -1 : eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (wakeFd < 0) {
        qCWarning(lcCorvaneSim, "control: cannot open the FIFO %s: %s", native.constData(), strerror(errno));
        for (const int fd : {readFd, writeFd}) {
            if (fd >= 0)
                ::close(fd);
        }
        return nullptr;
    }
    auto *channel = new ControlChannel(readFd, writeFd, wakeFd, parent);
    readers.insert(key, channel);
    return channel;
}

ControlChannel::ControlChannel(int readFd, int writeFd, int wakeFd, QObject *parent)
    : QObject(parent)
    , m_readFd(readFd)
    , m_writeFd(writeFd)
    , m_wakeFd(wakeFd)
{
    m_reader = std::thread([this] { readLoop(); });
}

ControlChannel::~ControlChannel()
{
    const quint64 wake = 1;
    if (::write(m_wakeFd, &wake, sizeof wake) != ssize_t(sizeof wake))
        qCWarning(lcCorvaneSim, "control: cannot wake the FIFO reader: %s", strerror(errno));
    m_reader.join();
    ::close(m_readFd);
    ::close(m_writeFd);
    ::close(m_wakeFd);
}

// The reader thread: waits for lines or for the wake-up that ends it.
void ControlChannel::readLoop()
{
    pollfd watched[] = {{m_readFd, POLLIN, 0}, {m_wakeFd, POLLIN, 0}};
    for (;;) {
        if (::poll(watched, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            qCWarning(lcCorvaneSim, "control: cannot wait for the FIFO: %s", strerror(errno));
            return;
        }
        if (watched[1].revents != 0 || (watched[0].revents & (POLLERR | POLLNVAL)) != 0)
            return;
        if ((watched[0].revents & POLLIN) != 0 && !readAvailable())
            return;
    }
}

// Takes what the FIFO holds, chunk by chunk. False when the FIFO cannot be
// read any more.
bool ControlChannel::readAvailable()
{
    char chunk[1024];
    ssize_t got = 0;
    while ((got = ::read(m_readFd, chunk, sizeof chunk)) > 0)
        takeChunk(chunk, int(got));
    if (got < 0 && errno != EAGAIN && errno != EINTR) {
        qCWarning(lcCorvaneSim, "control: cannot read the FIFO: %s", strerror(errno));
        return false;
    }
    return true;
}

// Gathers lines up to MaxLineLength bytes. A longer one is dropped as soon as
// it passes that length, and the rest of it up to its newline with it, so that
// its tail never passes for a line of its own.
void ControlChannel::takeChunk(const char *data, int size)
{
    const char *const end = data + size;
    while (data < end) {
        const auto *newline = static_cast<const char *>(std::memchr(data, '\n', size_t(end - data)));
        const char *const lineEnd = newline ? newline : end;
        if (!m_dropping && m_pending.size() + (lineEnd - data) > MaxLineLength) {
            m_dropping = true;
            m_pending.clear();
            QMetaObject::invokeMethod(this, [] {
                qCWarning(lcCorvaneSim, "control: dropping a line of more than %d bytes", MaxLineLength);
            }, Qt::QueuedConnection);
        }
        if (!m_dropping)
            m_pending.append(data, int(lineEnd - data));
        if (newline) {
            if (!m_dropping)
                takeLine(QString::fromUtf8(m_pending).trimmed());
            m_pending.clear();
            m_dropping = false;
        }
        data = newline ? newline + 1 : end;
    }
}

// Hands a line that does not act on the wire at once to the reader's own
// thread, in order.
void ControlChannel::takeLine(const QString &line)
{
    if (!actOnWire(line))
        QMetaObject::invokeMethod(this, [this, line] { handleLine(line); }, Qt::QueuedConnection);
}

// Runs on the reader thread. What happens on the wire does not wait for the
// event loop, which may be busy in a long exchange: a fault for a present
// interface takes effect at once, and a pulled controller stops answering at
// once (its unplug event still comes through the event loop). True when the
// line needs nothing more.
bool ControlChannel::actOnWire(const QString &line)
{
    const auto [verb, rest] = splitLine(line);
    if (verb == QLatin1String("unplug")) {
        cutOff(rest);
        return false;
    }
    if (verb != QLatin1String("fault"))
        return false;
    // One for an interface still to be plugged waits for the plug line before it.
    if (const auto stall = parseStall(rest))
        return Bus::instance().stallFan(stall->path, stall->fan);
    const auto fault = parseFault(rest);
    return fault && Bus::instance().injectFault(fault->path, fault->fault, fault->count);
}

void ControlChannel::cutOff(const QString &path)
{
    Bus &bus = Bus::instance();
    const QStringList present = bus.paths();
    if (!present.contains(path))
        return;
    const QString controller = path.left(path.lastIndexOf(QLatin1Char(':')) + 1);
    for (const QString &interface : present) {
        if (interface.startsWith(controller)) {
            bus.injectFault(interface, Fault::Send, CutOffExchanges);
            bus.injectFault(interface, Fault::Get, CutOffExchanges);
        }
    }
}

void ControlChannel::handleLine(const QString &line)
{
    if (line.isEmpty())
        return;
    const auto [verb, rest] = splitLine(line);
    if (verb == QLatin1String("plug"))
        plugLine(rest);
    else if (verb == QLatin1String("unplug"))
        unplugLine(rest);
    else if (verb == QLatin1String("fault"))
        faultLine(rest);
    else
        qCWarning(lcCorvaneSim, "control: unknown line '%s'", qPrintable(line));
}

void ControlChannel::plugLine(const QString &item)
{
    QString error;
    if (const auto config = ControllerConfig::parse(item, &error))
        Bus::instance().plug(*config);
    else
        qCWarning(lcCorvaneSim, "control: cannot plug '%s': %s", qPrintable(item), qPrintable(error));
}

void ControlChannel::unplugLine(const QString &path)
{
    if (!Bus::instance().unplugPath(path))
        qCWarning(lcCorvaneSim, "control: nothing to unplug at '%s'", qPrintable(path));
}

void ControlChannel::faultLine(const QString &arguments)
{
    if (const auto stall = parseStall(arguments)) {
        if (!Bus::instance().stallFan(stall->path, stall->fan))
            qCWarning(lcCorvaneSim, "control: no fan %d at '%s'", stall->fan, qPrintable(stall->path));
        return;
    }
    const auto line = parseFault(arguments);
    if (!line) {
        qCWarning(lcCorvaneSim,
                  "control: expected 'fault <path> <send|get|silent|garbage> [count]' or 'fault <path> stall <fan>',"
                  " got '%s'", qPrintable(arguments));
        return;
    }
    if (!Bus::instance().injectFault(line->path, line->fault, line->count))
        qCWarning(lcCorvaneSim, "control: no interface at '%s'", qPrintable(line->path));
}

} // namespace CorvaneSim
