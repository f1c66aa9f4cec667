// SPDX-License-Identifier: GPL-3.0-or-later
#include "panellink.h"

#include "control1interface.h"
#include "controlbus.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>

#include <cmath>
#include <limits>

namespace {

const QLatin1String Service(ControlBus::Service);
const QLatin1String ObjectPath(ControlBus::ObjectPath);

CtlOutcome outcomeOf(const QDBusPendingReply<> &reply)
{
    QDBusPendingReply<> finished = reply;
    finished.waitForFinished();
    return finished.isError() ? PanelLink::outcomeOf(finished.error()) : CtlOutcome::done();
}

QList<int> intList(const QVariant &value)
{
    return qdbus_cast<QList<int>>(value);
}

void readFans(const QVariantMap &properties, ControllerStatus *status)
{
    const QList<int> duties = intList(properties.value(QStringLiteral("FanDuties")));
    const QList<int> speeds = intList(properties.value(QStringLiteral("FanSpeeds")));
    for (int i = 0; i < int(status->fans.size()); ++i) {
        status->fans[i].duty = duties.value(i);
        if (i < speeds.size())
            status->fans[i].rpm = speeds[i];
    }
}

void readStatus(const QVariantMap &properties, ControllerStatus *status)
{
    const auto text = [&](const char *name) { return properties.value(QLatin1String(name)).toString(); };
    const auto flag = [&](const char *name) { return properties.value(QLatin1String(name)).toBool(); };
    status->connected = flag("Connected");
    status->path = text("Path");
    status->protocol = text("Protocol");
    status->model = text("Model");
    status->firmware = text("Firmware");
    status->serial = text("Serial");
    status->adapterVolts = properties.value(QStringLiteral("AdapterVolts")).toDouble();
    readFans(properties, status);
    status->mode = text("Mode");
    const QList<int> levels = intList(properties.value(QStringLiteral("GroupLevels")));
    status->levels = std::array<int, 2>{levels.value(0), levels.value(1)};
    status->ledPower = flag("LedPower");
    status->ledEffect = text("LedEffect");
    const int colour = properties.value(QStringLiteral("LedColour"), -1).toInt();
    status->ledColour = colour >= 0 ? std::optional<int>(colour) : std::nullopt;
    status->fanAutoRun = flag("FanAutoRun");
    status->fanHibernate = flag("FanHibernate");
    status->ledAutoRun = flag("LedAutoRun");
    status->ledHibernate = flag("LedHibernate");
    status->alarms = properties.value(QStringLiteral("Alarms")).toStringList();
}

} // namespace

std::unique_ptr<PanelLink> PanelLink::ifRunning()
{
    const QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface()->isServiceRegistered(Service))
        return nullptr;
    return std::unique_ptr<PanelLink>(new PanelLink(bus));
}

PanelLink::PanelLink(const QDBusConnection &bus)
    : m_bus(bus),
      m_panel(std::make_unique<ComCorvaneControl1Interface>(Service, ObjectPath, bus))
{
    m_bus.connect(Service, ObjectPath, QStringLiteral("org.freedesktop.DBus.Properties"),
                  QStringLiteral("PropertiesChanged"), this, SIGNAL(changed()));
}

PanelLink::~PanelLink() = default;

CtlOutcome PanelLink::outcomeOf(const QDBusError &error)
{
    const QString name = error.name();
    if (name == QLatin1String(ControlBus::InvalidArgument))
        return CtlOutcome::failed(CtlOutcome::BadUsage, error.message());
    if (name == QLatin1String(ControlBus::NotConnected))
        return CtlOutcome::failed(CtlOutcome::NoController, error.message());
    if (error.type() == QDBusError::ServiceUnknown)
        return CtlOutcome::failed(CtlOutcome::NoController, QStringLiteral("the panel left the session bus"));
    if (name == QLatin1String(ControlBus::DeviceError))
        return CtlOutcome::failed(CtlOutcome::DeviceFailed, error.message());
    return CtlOutcome::failed(CtlOutcome::DeviceFailed,
                              QStringLiteral("the panel did not answer: %1").arg(error.message()));
}

// One round trip for every property; when the panel has gone, the status is
// "not connected", so a monitor goes on until it comes back.
CtlOutcome PanelLink::status(ControllerStatus *status)
{
    *status = ControllerStatus();
    status->source = QStringLiteral("panel");
    QDBusMessage call = QDBusMessage::createMethodCall(Service, ObjectPath,
                                                       QStringLiteral("org.freedesktop.DBus.Properties"),
                                                       QStringLiteral("GetAll"));
    call << QString::fromLatin1(ControlBus::Interface);
    const QDBusReply<QVariantMap> reply = m_bus.call(call);
    if (!reply.isValid())
        return outcomeOf(reply.error());
    readStatus(reply.value(), status);
    return CtlOutcome::done();
}

CtlOutcome PanelLink::setGroupLevel(const QString &group, int level)
{
    return ::outcomeOf(m_panel->SetGroupLevel(group, level));
}

CtlOutcome PanelLink::setMode(const QString &mode)
{
    return ::outcomeOf(m_panel->SetMode(mode));
}

CtlOutcome PanelLink::dust()
{
    return ::outcomeOf(m_panel->Dust());
}

CtlOutcome PanelLink::setLedPower(bool on)
{
    return ::outcomeOf(m_panel->SetLedPower(on));
}

CtlOutcome PanelLink::setSolidColour(int colour)
{
    return ::outcomeOf(m_panel->SetSolidColour(colour));
}

CtlOutcome PanelLink::setBreathingColour(int colour)
{
    return ::outcomeOf(m_panel->SetBreathingColour(colour));
}

CtlOutcome PanelLink::setColourCycle()
{
    return ::outcomeOf(m_panel->SetColourCycle());
}

CtlOutcome PanelLink::uploadLedLaw(const QString &path)
{
    return ::outcomeOf(m_panel->UploadLedLaw(path));
}

CtlOutcome PanelLink::setAutoRun(const QString &target, bool on)
{
    return ::outcomeOf(target == QLatin1String("fan") ? m_panel->SetFanAutoRun(on) : m_panel->SetLedAutoRun(on));
}

CtlOutcome PanelLink::setHibernate(const QString &target, bool on)
{
    return ::outcomeOf(target == QLatin1String("fan") ? m_panel->SetFanHibernate(on) : m_panel->SetLedHibernate(on));
}

CtlOutcome PanelLink::save()
{
    return ::outcomeOf(m_panel->Save());
}

CtlOutcome PanelLink::showWindow()
{
    return ::outcomeOf(m_panel->ShowWindow());
}

CtlOutcome PanelLink::sensors(QVector<CoolingReport::Sensor> *sensors)
{
    QDBusPendingReply<QStringList, QStringList, QStringList, QList<double>> reply = m_panel->Sensors();
    reply.waitForFinished();
    if (reply.isError())
        return outcomeOf(reply.error());
    const QStringList ids = reply.argumentAt<0>();
    const QStringList names = reply.argumentAt<1>();
    const QStringList units = reply.argumentAt<2>();
    const QList<double> values = reply.argumentAt<3>();
    for (int i = 0; i < ids.size(); ++i) {
        const double value = values.value(i, std::numeric_limits<double>::quiet_NaN());
        sensors->append({ids[i], names.value(i), units.value(i),
                         std::isnan(value) ? std::nullopt : std::optional<double>(value)});
    }
    return CtlOutcome::done();
}

CtlOutcome PanelLink::curve(const QString &group, CoolingReport::Curve *curve)
{
    QDBusPendingReply<QString, QString> reply = m_panel->Curve(group);
    reply.waitForFinished();
    if (reply.isError())
        return outcomeOf(reply.error());
    *curve = {reply.argumentAt<0>(), reply.argumentAt<1>()};
    return CtlOutcome::done();
}

CtlOutcome PanelLink::setCurve(const QString &group, const QString &source, const QString &points)
{
    return ::outcomeOf(m_panel->SetCurve(group, source, points));
}
