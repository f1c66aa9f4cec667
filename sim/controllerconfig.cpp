// SPDX-License-Identifier: GPL-3.0-or-later
#include "corvanesim.h"

#include <algorithm>
#include <iterator>

namespace CorvaneSim {

namespace {

// Enough for any controller built so far, small enough to catch a typo.
constexpr int MaxInterfaces = 16;
constexpr quint32 MaxAdapterReading = 4095;
constexpr int CpuidBytes = 12;

bool fail(QString *error, const QString &text)
{
    if (error)
        *error = text;
    return false;
}

std::optional<quint32> parseNumber(const QString &text)
{
    bool ok = false;
    const bool hex = text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive);
    const quint32 value = hex ? text.mid(2).toUInt(&ok, 16) : text.toUInt(&ok, 10);
    if (!ok || (hex && text.size() == 2))
        return std::nullopt;
    return value;
}

bool parseField(const QString &key, const QString &value, quint32 max, quint32 *out, QString *error)
{
    const auto number = parseNumber(value);
    if (!number || *number > max)
        return fail(error, QStringLiteral("%1=%2: expected a number up to %3").arg(key, value).arg(max));
    *out = *number;
    return true;
}

bool parseCpuid(const QString &value, QByteArray *out, QString *error)
{
    static const QString hexDigits = QStringLiteral("0123456789abcdefABCDEF");
    const bool allHex = std::all_of(value.cbegin(), value.cend(),
                                    [](QChar c) { return hexDigits.contains(c); });
    if (value.size() != 2 * CpuidBytes || !allHex)
        return fail(error, QStringLiteral("cpuid=%1: expected 24 hex digits").arg(value));
    *out = QByteArray::fromHex(value.toLatin1());
    return true;
}

bool applyKey(ControllerConfig &config, const QString &key, const QString &value, QString *error)
{
    if (key == QLatin1String("cpuid"))
        return parseCpuid(value, &config.cpuid, error);

    using Setter = void (*)(ControllerConfig &, quint32);
    struct Field { const char *name; quint32 max; Setter set; };
    static const Field fields[] = {
        {"fw", 0xffff, [](ControllerConfig &s, quint32 v) { s.firmwareVersion = quint16(v); }},
        {"proto", 0xffff, [](ControllerConfig &s, quint32 v) { s.protocolVersion = quint16(v); }},
        {"hw", 0xffff, [](ControllerConfig &s, quint32 v) { s.hardwareVersion = quint16(v); }},
        {"model", 0xffff, [](ControllerConfig &s, quint32 v) { s.model = quint16(v); }},
        {"adapter", MaxAdapterReading, [](ControllerConfig &s, quint32 v) { s.adapter = quint16(v); }},
        {"vid", 0xffff, [](ControllerConfig &s, quint32 v) { s.vendorId = quint16(v); }},
        {"pid", 0xffff, [](ControllerConfig &s, quint32 v) { s.productId = quint16(v); }},
        {"interfaces", MaxInterfaces, [](ControllerConfig &s, quint32 v) { s.interfaces = int(v); }},
        {"primary", MaxInterfaces - 1, [](ControllerConfig &s, quint32 v) { s.primary = int(v); }},
        {"fanautorun", 1, [](ControllerConfig &s, quint32 v) { s.fanAutoRun = v != 0; }},
        {"ledautorun", 1, [](ControllerConfig &s, quint32 v) { s.ledAutoRun = v != 0; }},
        {"ledpower", 1, [](ControllerConfig &s, quint32 v) { s.ledPower = v != 0; }},
    };
    const auto field = std::find_if(std::begin(fields), std::end(fields),
                                    [&key](const Field &f) { return key == QLatin1String(f.name); });
    if (field == std::end(fields))
        return fail(error, QStringLiteral("unknown key '%1'").arg(key));
    quint32 number = 0;
    if (!parseField(key, value, field->max, &number, error))
        return false;
    field->set(config, number);
    return true;
}

std::optional<ControllerConfig> defaultsFor(const QString &type)
{
    ControllerConfig config;
    if (type.compare(QLatin1String("v2000"), Qt::CaseInsensitive) == 0)
        return config;
    if (type.compare(QLatin1String("v1100"), Qt::CaseInsensitive) == 0) {
        config.protocol = Protocol::V1100;
        config.firmwareVersion = 0x1100;
        config.protocolVersion = 0x1100;
        return config;
    }
    return std::nullopt;
}

} // namespace

std::optional<ControllerConfig> ControllerConfig::parse(const QString &text, QString *error)
{
    const QStringList items = text.split(QLatin1Char(','));
    const QString type = items.first().trimmed();
    auto config = defaultsFor(type);
    if (!config) {
        fail(error, QStringLiteral("unknown controller type '%1' (v2000 or v1100)").arg(type));
        return std::nullopt;
    }
    for (int i = 1; i < items.size(); ++i) {
        const int equals = items.at(i).indexOf(QLatin1Char('='));
        if (equals < 0) {
            fail(error, QStringLiteral("'%1' is not key=value").arg(items.at(i).trimmed()));
            return std::nullopt;
        }
        const QString key = items.at(i).left(equals).trimmed().toLower();
        const QString value = items.at(i).mid(equals + 1).trimmed();
        if (!applyKey(*config, key, value, error))
            return std::nullopt;
    }
    if (config->interfaces < 1) {
        fail(error, QStringLiteral("interfaces=0: a controller has at least one"));
        return std::nullopt;
    }
    if (config->primary >= config->interfaces) {
        fail(error, QStringLiteral("primary=%1 but only %2 interface(s)").arg(config->primary).arg(config->interfaces));
        return std::nullopt;
    }
    return config;
}

QVector<ControllerConfig> ControllerConfig::parseList(const QString &text, QStringList *errors)
{
    QVector<ControllerConfig> configs;
    const QStringList items = text.split(QLatin1Char(';'));
    for (const QString &item : items) {
        if (item.trimmed().isEmpty())
            continue;
        QString error;
        if (const auto config = parse(item, &error))
            configs.append(*config);
        else if (errors)
            errors->append(QStringLiteral("%1: %2").arg(item.trimmed(), error));
    }
    return configs;
}

} // namespace CorvaneSim
