// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Shared fixtures of the protocol suites: both protocols built by kind, the
// simulated controllers plugged from their CORVANE_SIM_DEVICES text, and the
// simulator's report log turned into readable hexadecimal images.

#include "corvanehiddriverifbase.h"
#include "corvanesim.h"

#include <QMetaType>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <functional>
#include <memory>

class QObject;

namespace ProtocolTestKit {

enum class Kind { V1100, V2000 };

/// The "kind" column with one row per protocol.
void addKindRows();
/// A protocol object of @p kind, unopened, as the device manager would create it.
std::unique_ptr<CorvaneHIDDriverIfBase> makeProtocol(Kind kind, QObject *parent = nullptr);
/// The text that plugs a controller of @p kind, e.g. "v2000" or "v1100".
QString controllerText(Kind kind, const QString &options = QString());
/// Resets the bus and plugs @p text; returns the primary interface's path.
QString plugOnly(const QString &text);
/// Plugs one more controller; returns its primary interface's path.
QString plug(const QString &text);
int controllerNumber(const QString &path);
CorvaneSim::ControllerState state(const QString &path);

/// "06 A0 B1" -> the 65-byte report as 130 lower-case hex digits, zero padded.
QString image(const QString &spacedHex);
QString hex(const QByteArray &bytes);
/// Buffers the log holds for @p op ("send", "get", "send-failed", ...), oldest first.
QList<QByteArray> logged(const QString &op);
QStringList loggedImages(const QString &op);
/// Report ids of every send attempt, taken or failed, oldest first.
QList<int> sentReportIds();

/// Every dynamic property of @p object by name.
QVariantMap dynamicProperties(const QObject &object);

/// 256 bytes that differ per channel and per position.
QByteArray channelBytes(int channel);
QVector<QByteArray> channels();

using Operation = std::function<bool(CorvaneHIDDriverIfBase &)>;

} // namespace ProtocolTestKit

Q_DECLARE_METATYPE(ProtocolTestKit::Kind)
Q_DECLARE_METATYPE(ProtocolTestKit::Operation)
