// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <hidapi/hidapi.h>

#include <functional>

/// Every exchange with the controller is a 65-byte feature report: byte 0 is the report id.
constexpr int CorvaneReportSize = 65;
constexpr int CorvaneFeatureBlockSize = 256;

/**
 * Send a 256-byte @p block as four feature reports with consecutive ids from
 * @p firstReportId, pausing 10 ms after each. The first report that is not
 * taken ends the block: the rest would only wait on a controller that is not
 * listening. Returns true only when all four were taken. @p eachReport, when
 * given, hears whether each report was taken, in order.
 */
bool writeFeatureBlock(hid_device *device, quint8 firstReportId, const QByteArray &block,
                       const std::function<void(bool taken)> &eachReport = {});
