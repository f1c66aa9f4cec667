// SPDX-License-Identifier: GPL-3.0-or-later
#include "corvanehidtransport.h"

#include <QThread>

#include <algorithm>
#include <cstring>

namespace {

constexpr int PayloadSize = CorvaneReportSize - 1;
constexpr int ReportsPerBlock = CorvaneFeatureBlockSize / PayloadSize;
// The controller needs this long to commit one report of a block.
constexpr unsigned long ReportPauseMs = 10;

} // namespace

bool writeFeatureBlock(hid_device *device, quint8 firstReportId, const QByteArray &block,
                       const std::function<void(bool taken)> &eachReport)
{
    for (int i = 0; i < ReportsPerBlock; ++i) {
        unsigned char report[CorvaneReportSize] = {};
        report[0] = static_cast<unsigned char>(firstReportId + i);
        // A short block is sent zero-padded rather than read past its end.
        const int offset = i * PayloadSize;
        const int available = std::clamp(block.size() - offset, 0, PayloadSize);
        if (available > 0)
            std::memcpy(report + 1, block.constData() + offset, size_t(available));
        const bool taken = hid_send_feature_report(device, report, sizeof report) > 0;
        if (eachReport)
            eachReport(taken);
        if (!taken)
            return false;
        QThread::msleep(ReportPauseMs);
    }
    return true;
}
