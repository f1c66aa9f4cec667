// SPDX-License-Identifier: GPL-3.0-or-later
#include "controlservice.h"
#include "control1adaptor.h"

#include "controlbus.h"
#include "controllerrules.h"
#include "coolingcontrol.h"
#include "corvanedrivernames.h"
#include "windowlogging.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QVariant>

#include <limits>

namespace {

constexpr int AnnounceIntervalMs = 1000;
namespace Names = CorvaneDriverNames::Driver;
using Rules = ControllerRules;

} // namespace

ControlService::ControlService(ControllerRules &rules, CoolingControl &cooling, QObject *parent)
    : QObject(parent), m_rules(rules), m_cooling(cooling)
{
    new Control1Adaptor(this);
    m_announceTimer.setInterval(AnnounceIntervalMs);
    connect(&m_announceTimer, &QTimer::timeout, this, &ControlService::announceChanges);
    connect(&rules, &ControllerRules::attached, this, &ControlService::announceChanges);
    connect(&rules, &ControllerRules::detached, this, &ControlService::announceChanges);
    connect(&cooling.alarms(), &AlarmBoard::alarmBegan, this, [this](const QString &id, const QString &text) {
        emit AlarmChanged(id, true, text);
        announceChanges();
    });
    connect(&cooling.alarms(), &AlarmBoard::alarmEnded, this, [this](const QString &id, const QString &text) {
        emit AlarmChanged(id, false, text);
        announceChanges();
    });
}

bool ControlService::registerOnSessionBus()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        qCDebug(lcWindow) << "no session bus:" << bus.lastError().message();
        return false;
    }
    if (!bus.registerObject(QLatin1String(ControlBus::ObjectPath), this) ||
        !bus.registerService(QLatin1String(ControlBus::Service))) {
        qCDebug(lcWindow) << "not on the session bus:" << bus.lastError().message();
        bus.unregisterObject(QLatin1String(ControlBus::ObjectPath));
        return false;
    }
    m_announced = snapshot();
    m_announceTimer.start();
    return true;
}

QObject *ControlService::driver() const
{
    return m_rules.driver();
}

bool ControlService::isConnected() const
{
    return driver() != nullptr;
}

QString ControlService::protocol() const
{
    return isConnected() ? m_rules.identity().protocol : QString();
}

QString ControlService::model() const
{
    return isConnected() ? m_rules.identity().modelText() : QString();
}

QString ControlService::firmware() const
{
    return isConnected() ? m_rules.identity().firmwareText() : QString();
}

QString ControlService::serial() const
{
    return isConnected() ? m_rules.identity().serialText() : QString();
}

double ControlService::adapterVolts() const
{
    return isConnected() ? driver()->property(Names::PowerAdapter).toDouble() : 0.0;
}

QList<int> ControlService::fanDuties() const
{
    QList<int> duties;
    for (const auto &name : Names::FanDutyProperties)
        duties << (isConnected() ? driver()->property(name).toInt() : 0);
    return duties;
}

// Only controllers with tachometers publish the speeds.
QList<int> ControlService::fanSpeeds() const
{
    QList<int> speeds;
    for (const auto &name : Names::FanRpmProperties) {
        const QVariant rpm = isConnected() ? driver()->property(name) : QVariant();
        if (!rpm.isValid())
            return {};
        speeds << rpm.toInt();
    }
    return speeds;
}

QString ControlService::mode() const
{
    if (m_rules.isDusting())
        return QStringLiteral("dust");
    return m_rules.mode() == Rules::Mode::Auto ? QStringLiteral("auto") : QStringLiteral("manual");
}

QList<int> ControlService::groupLevels() const
{
    return {m_rules.groupLevel(Rules::Group::G1), m_rules.groupLevel(Rules::Group::G2)};
}

QList<int> ControlService::maxLevels() const
{
    return {m_rules.maxLevel(Rules::Group::G1), m_rules.maxLevel(Rules::Group::G2)};
}

bool ControlService::ledPower() const
{
    return m_rules.ledPower();
}

QString ControlService::ledEffect() const
{
    switch (m_rules.effect()) {
    case Rules::Effect::Solid:
        return QStringLiteral("solid");
    case Rules::Effect::Breathe:
        return QStringLiteral("breathe");
    case Rules::Effect::Cycle:
        return QStringLiteral("cycle");
    case Rules::Effect::None:
        break;
    }
    return QStringLiteral("none");
}

int ControlService::ledColour() const
{
    return m_rules.colour();
}

bool ControlService::fanAutoRun() const
{
    return m_rules.option(Rules::Part::Fan, Rules::Option::AutoRun);
}

bool ControlService::fanHibernate() const
{
    return m_rules.option(Rules::Part::Fan, Rules::Option::Hibernate);
}

bool ControlService::ledAutoRun() const
{
    return m_rules.option(Rules::Part::Led, Rules::Option::AutoRun);
}

bool ControlService::ledHibernate() const
{
    return m_rules.option(Rules::Part::Led, Rules::Option::Hibernate);
}

QStringList ControlService::alarms() const
{
    return m_cooling.alarms().standingIds();
}

void ControlService::refuse(const char *error, const QString &message)
{
    if (calledFromDBus())
        sendErrorReply(QLatin1String(error), message);
}

void ControlService::answer(const RuleVerdict &verdict)
{
    switch (verdict.kind) {
    case RuleVerdict::Done:
        break;
    case RuleVerdict::BadArgument:
        refuse(ControlBus::InvalidArgument, verdict.reason);
        break;
    case RuleVerdict::NoController:
        refuse(ControlBus::NotConnected, verdict.reason);
        break;
    case RuleVerdict::Refused:
        refuse(ControlBus::DeviceError, verdict.reason);
        break;
    }
    announceChanges();
}

void ControlService::SetMode(const QString &mode)
{
    const bool manual = mode == QLatin1String("manual");
    if (!manual && mode != QLatin1String("auto")) {
        refuse(ControlBus::InvalidArgument, QStringLiteral("mode '%1': the modes are manual and auto").arg(mode));
        return;
    }
    answer(m_rules.setMode(manual ? Rules::Mode::Manual : Rules::Mode::Auto));
}

void ControlService::SetGroupLevel(const QString &group, int level)
{
    if (const std::optional<int> index = checkGroup(group))
        answer(m_rules.setGroupLevel(*index == 0 ? Rules::Group::G1 : Rules::Group::G2, level));
}

void ControlService::Dust()
{
    answer(m_rules.runDust());
}

void ControlService::SetLedPower(bool on)
{
    answer(m_rules.setLedPower(on));
}

void ControlService::SetSolidColour(int colour)
{
    answer(m_rules.setSolidColour(colour));
}

void ControlService::SetBreathingColour(int colour)
{
    answer(m_rules.setBreathingColour(colour));
}

void ControlService::SetColourCycle()
{
    answer(m_rules.setColourCycle());
}

void ControlService::UploadLedLaw(const QString &path)
{
    answer(m_rules.uploadLedLaw(path));
}

void ControlService::SetFanAutoRun(bool on)
{
    answer(m_rules.setOption(Rules::Part::Fan, Rules::Option::AutoRun, on));
}

void ControlService::SetFanHibernate(bool on)
{
    answer(m_rules.setOption(Rules::Part::Fan, Rules::Option::Hibernate, on));
}

void ControlService::SetLedAutoRun(bool on)
{
    answer(m_rules.setOption(Rules::Part::Led, Rules::Option::AutoRun, on));
}

void ControlService::SetLedHibernate(bool on)
{
    answer(m_rules.setOption(Rules::Part::Led, Rules::Option::Hibernate, on));
}

void ControlService::Save()
{
    answer(m_rules.save());
}

void ControlService::ShowWindow()
{
    emit showRequested();
}

QStringList ControlService::Sensors(QStringList &names, QStringList &units, QList<double> &values)
{
    QStringList ids;
    const QVector<CoolingControl::SourceValue> sources = m_cooling.sourceValues();
    for (const CoolingControl::SourceValue &source : sources) {
        ids << source.source.id;
        names << source.source.name;
        units << (source.source.unit == SourceList::Unit::Percent ? QStringLiteral("%") : QStringLiteral("°C"));
        values << source.value.value_or(std::numeric_limits<double>::quiet_NaN());
    }
    return ids;
}

std::optional<int> ControlService::checkGroup(const QString &group)
{
    const std::optional<int> index = CoolingControl::groupNamed(group);
    if (!index)
        refuse(ControlBus::InvalidArgument, QStringLiteral("group '%1': the groups are G1 and G2").arg(group));
    return index;
}

QString ControlService::Curve(const QString &group, QString &points)
{
    const std::optional<int> index = checkGroup(group);
    if (!index)
        return QString();
    const CoolingChoice &choice = m_cooling.choice(*index);
    points = choice.curveText();
    return choice.source();
}

void ControlService::SetCurve(const QString &group, const QString &source, const QString &points)
{
    const std::optional<int> index = checkGroup(group);
    if (!index)
        return;
    const QString refusal = m_cooling.setCurve(*index, source, points);
    if (!refusal.isEmpty())
        refuse(ControlBus::InvalidArgument, refusal);
}

void ControlService::deviceOpened(const QString &devPath)
{
    m_path = devPath;
}

QVariantMap ControlService::snapshot() const
{
    QVariantMap values;
    const QMetaObject *meta = metaObject();
    for (int i = meta->propertyOffset(); i < meta->propertyCount(); ++i)
        values.insert(QLatin1String(meta->property(i).name()), meta->property(i).read(this));
    return values;
}

void ControlService::announceChanges()
{
    const QVariantMap now = snapshot();
    QVariantMap changed;
    for (auto it = now.cbegin(); it != now.cend(); ++it) {
        if (m_announced.value(it.key()) != it.value())
            changed.insert(it.key(), it.value());
    }
    m_announced = now;
    if (changed.isEmpty() || !m_announceTimer.isActive())
        return;
    QDBusMessage signal = QDBusMessage::createSignal(QLatin1String(ControlBus::ObjectPath),
                                                     QStringLiteral("org.freedesktop.DBus.Properties"),
                                                     QStringLiteral("PropertiesChanged"));
    signal << QString::fromLatin1(ControlBus::Interface) << changed << QStringList();
    QDBusConnection::sessionBus().send(signal);
}
