// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocoltestkit.h"

#include "corvanehidprotocolv1100.h"
#include "corvanehidprotocolv2000.h"

#include <QObject>
#include <QTest>

namespace ProtocolTestKit {

using CorvaneSim::Bus;

void addKindRows()
{
    QTest::addColumn<Kind>("kind");
    QTest::newRow("v1100") << Kind::V1100;
    QTest::newRow("v2000") << Kind::V2000;
}

std::unique_ptr<CorvaneHIDDriverIfBase> makeProtocol(Kind kind, QObject *parent)
{
    if (kind == Kind::V1100)
        return std::make_unique<CorvaneHIDProtocolv1100>(parent);
    return std::make_unique<CorvaneHIDProtocolv2000>(parent);
}

QString controllerText(Kind kind, const QString &options)
{
    const QString base = kind == Kind::V1100 ? QStringLiteral("v1100") : QStringLiteral("v2000");
    return options.isEmpty() ? base : base + QLatin1Char(',') + options;
}

QString plugOnly(const QString &text)
{
    Bus::instance().reset();
    return plug(text);
}

QString plug(const QString &text)
{
    QString error;
    const auto config = CorvaneSim::ControllerConfig::parse(text, &error);
    if (!config)
        qFatal("bad controller text %s: %s", qPrintable(text), qPrintable(error));
    const int n = Bus::instance().plug(*config);
    return Bus::instance().paths(n).value(config->primary);
}

int controllerNumber(const QString &path)
{
    return path.section(QLatin1Char(':'), 1, 1).toInt();
}

CorvaneSim::ControllerState state(const QString &path)
{
    const auto current = Bus::instance().state(controllerNumber(path));
    if (!current)
        qFatal("no controller at %s", qPrintable(path));
    return *current;
}

QString image(const QString &spacedHex)
{
    QByteArray bytes = QByteArray::fromHex(spacedHex.toLatin1());
    bytes.append(QByteArray(65 - bytes.size(), '\0'));
    return hex(bytes);
}

QString hex(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.toHex());
}

QList<QByteArray> logged(const QString &op)
{
    QList<QByteArray> buffers;
    const auto entries = Bus::instance().log();
    for (const auto &entry : entries) {
        if (entry.op == op)
            buffers.append(entry.buffer);
    }
    return buffers;
}

QStringList loggedImages(const QString &op)
{
    QStringList images;
    const auto buffers = logged(op);
    for (const QByteArray &buffer : buffers)
        images.append(hex(buffer));
    return images;
}

QList<int> sentReportIds()
{
    QList<int> ids;
    const auto entries = Bus::instance().log();
    for (const auto &entry : entries) {
        if (entry.op.startsWith(QLatin1String("send")) && !entry.buffer.isEmpty())
            ids.append(quint8(entry.buffer.at(0)));
    }
    return ids;
}

QVariantMap dynamicProperties(const QObject &object)
{
    QVariantMap properties;
    const auto names = object.dynamicPropertyNames();
    for (const QByteArray &name : names)
        properties.insert(QString::fromLatin1(name), object.property(name.constData()));
    return properties;
}

QByteArray channelBytes(int channel)
{
    QByteArray bytes(256, '\0');
    for (int i = 0; i < bytes.size(); ++i)
        bytes[i] = char((i * 7 + channel * 85 + 1) & 0xFF);
    return bytes;
}

QVector<QByteArray> channels()
{
    return {channelBytes(0), channelBytes(1), channelBytes(2)};
}

} // namespace ProtocolTestKit
