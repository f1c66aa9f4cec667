// SPDX-License-Identifier: GPL-3.0-or-later
#include "controlchannel.h"

#include "corvanesim.h"
#include "simlogging.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QPointer>
#include <QSocketNotifier>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace CorvaneSim {

namespace {

// A line longer than this is no control line; dropping it keeps memory bounded.
constexpr int MaxLineLength = 4096;

bool makeFifo(const QByteArray &path)
{
    if (mkfifo(path.constData(), 0600) != 0 && errno != EEXIST) {
        qCWarning(lcCorvaneSim, "control: cannot create the FIFO %s: %s", path.constData(), strerror(errno));
        return false;
    }
    struct stat info {};
    if (stat(path.constData(), &info) != 0 || !S_ISFIFO(info.st_mode)) {
        qCWarning(lcCorvaneSim, "control: %s is not a FIFO", path.constData());
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

} // namespace

ControlChannel *ControlChannel::start(const QString &path, QObject *parent)
{
    static QHash<QString, QPointer<ControlChannel>> readers;
    const QString key = QFileInfo(path).absoluteFilePath();
    if (ControlChannel *living = readers.value(key))
        return living;

    const QByteArray native = QFile::encodeName(key);
    if (!makeFifo(native))
        return nullptr;
    const int readFd = ::open(native.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    const int writeFd = readFd < 0 ? -1 : ::open(native.constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (writeFd < 0) {
        qCWarning(lcCorvaneSim, "control: cannot open the FIFO %s: %s", native.constData(), strerror(errno));
        if (readFd >= 0)
            ::close(readFd);
        return nullptr;
    }
    auto *channel = new ControlChannel(readFd, writeFd, parent);
    readers.insert(key, channel);
    return channel;
}

ControlChannel::ControlChannel(int readFd, int writeFd, QObject *parent)
    : QObject(parent)
    , m_readFd(readFd)
    , m_writeFd(writeFd)
    , m_notifier(new QSocketNotifier(readFd, QSocketNotifier::Read, this))
{
    connect(m_notifier, &QSocketNotifier::activated, this, &ControlChannel::readAvailable);
}

ControlChannel::~ControlChannel()
{
    delete m_notifier;
    ::close(m_readFd);
    ::close(m_writeFd);
}

void ControlChannel::readAvailable()
{
    char chunk[1024];
    ssize_t got = 0;
    while ((got = ::read(m_readFd, chunk, sizeof chunk)) > 0)
        m_pending.append(chunk, int(got));

    // A listener may delete this reader while a line is handled.
    const QPointer<ControlChannel> self(this);
    int newline = 0;
    while (self && (newline = m_pending.indexOf('\n')) >= 0) {
        const QString line = QString::fromUtf8(m_pending.left(newline)).trimmed();
        m_pending.remove(0, newline + 1);
        handleLine(line);
    }
    if (self && m_pending.size() > MaxLineLength) {
        qCWarning(lcCorvaneSim, "control: dropping a line of more than %d bytes", MaxLineLength);
        m_pending.clear();
    }
}

void ControlChannel::handleLine(const QString &line)
{
    if (line.isEmpty())
        return;
    const int space = line.indexOf(QLatin1Char(' '));
    const QString verb = line.left(space);
    const QString rest = space < 0 ? QString() : line.mid(space + 1).trimmed();
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
    if (const auto spec = ControllerSpec::parse(item, &error))
        Bus::instance().plug(*spec);
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
    const QStringList parts = arguments.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    const auto fault = parts.size() >= 2 ? faultNamed(parts.at(1)) : std::nullopt;
    bool countOk = true;
    const int count = parts.size() == 3 ? parts.at(2).toInt(&countOk) : 1;
    if (!fault || parts.size() > 3 || !countOk || count < 1) {
        qCWarning(lcCorvaneSim, "control: expected 'fault <path> <send|get|silent|garbage> [count]', got '%s'",
                  qPrintable(arguments));
        return;
    }
    if (!Bus::instance().injectFault(parts.at(0), *fault, count))
        qCWarning(lcCorvaneSim, "control: no interface at '%s'", qPrintable(parts.at(0)));
}

} // namespace CorvaneSim
