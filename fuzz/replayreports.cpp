// SPDX-License-Identifier: GPL-3.0-or-later
#include "replayreports.h"

#include "corvanehidtransport.h"

#include <QFile>
#include <QObject>
#include <QTemporaryDir>

#include <algorithm>

namespace {

// More replies than a probe and three updates ask for only slow the fuzzer down.
constexpr size_t MaxReplies = 16;

} // namespace

// Every open claims the controller with a lock file, which is synced to disk
// when written. A login session's runtime folder is in memory; without one
// the claim goes to the disk's temporary folder and the syncs, not the
// decoders, take most of each iteration.
void keepClaimsInMemory()
{
    static const QTemporaryDir runtime(QStringLiteral("/dev/shm/corvane-fuzz-XXXXXX"));
    if (runtime.isValid())
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
}

void replayReports(CorvaneHIDDriverIfBase &protocol, CorvaneSim::Protocol kind, const uint8_t *data, size_t size)
{
    CorvaneSim::Bus &bus = CorvaneSim::Bus::instance();
    bus.reset();
    CorvaneSim::ControllerConfig config;
    config.protocol = kind;
    if (kind == CorvaneSim::Protocol::V1100)
        config.firmwareVersion = config.protocolVersion = 0x1100;
    const QString path = bus.paths(bus.plug(config)).value(0);

    size = std::min(size, MaxReplies * CorvaneReportSize);
    for (size_t at = 0; at < size; at += CorvaneReportSize) {
        const size_t length = std::min<size_t>(CorvaneReportSize, size - at);
        bus.queueReply(path, QByteArray(reinterpret_cast<const char *>(data + at), int(length)));
    }

    if (!protocol.open(path))
        return;
    QObject driver;
    protocol.updatePhyDeviceReadOnlyPropertyToDriverObject(&driver);
    protocol.updatePhyDeviceReadWritePropertyToDriverObject(&driver);
    protocol.updatePhyDeviceRealtimePropertyToDriverObject(&driver);
    protocol.close();
}
