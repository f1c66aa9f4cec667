// SPDX-License-Identifier: GPL-3.0-or-later
#include "controlservice.h"
#include "control1adaptor.h"
#include "ui_mainwindow.h"

#include "connectionview.h"
#include "controlbus.h"
#include "corvanedrivernames.h"
#include "corvaneledlawreader.h"
#include "fanmodes.h"
#include "ledlawsnapshot.h"
#include "ledpanel.h"
#include "windowlogging.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QVariant>

#include <limits>

namespace {

constexpr int AnnounceIntervalMs = 1000;
namespace Names = CorvaneDriverNames::Driver;

const QString NoController = QStringLiteral("no controller is connected");

} // namespace

ControlService::ControlService(ConnectionView &view, FanModes &fans, LedPanel &leds, const Ui::MainWindow &form,
                               QObject *parent)
    : QObject(parent), m_view(view), m_fans(fans), m_leds(leds), m_form(form)
{
    new Control1Adaptor(this);
    m_announceTimer.setInterval(AnnounceIntervalMs);
    connect(&m_announceTimer, &QTimer::timeout, this, &ControlService::announceChanges);
    connect(&view, &ConnectionView::connected, this, &ControlService::announceChanges);
    connect(&view, &ConnectionView::disconnected, this, &ControlService::announceChanges);
    const AlarmBoard &alarmBoard = fans.cooling().alarms();
    connect(&alarmBoard, &AlarmBoard::alarmBegan, this, [this](const QString &id, const QString &text) {
        emit AlarmChanged(id, true, text);
        announceChanges();
    });
    connect(&alarmBoard, &AlarmBoard::alarmEnded, this, [this](const QString &id, const QString &text) {
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
    return m_view.driver();
}

bool ControlService::isConnected() const
{
    return driver() != nullptr;
}

QString ControlService::protocol() const
{
    return isConnected() ? m_view.identity().protocol : QString();
}

QString ControlService::model() const
{
    return isConnected() ? m_view.identity().modelText() : QString();
}

QString ControlService::firmware() const
{
    return isConnected() ? m_view.identity().firmwareText() : QString();
}

QString ControlService::serial() const
{
    return isConnected() ? m_view.identity().serialText() : QString();
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
    if (m_fans.isDusting())
        return QStringLiteral("dust");
    return m_fans.mode() == FanModes::Mode::Auto ? QStringLiteral("auto") : QStringLiteral("manual");
}

QList<int> ControlService::groupLevels() const
{
    return {m_form.horizontalSliderFanG1->value(), m_form.horizontalSliderFanG2->value()};
}

QList<int> ControlService::maxLevels() const
{
    return {m_form.horizontalSliderFanG1->maximum(), m_form.horizontalSliderFanG2->maximum()};
}

bool ControlService::ledPower() const
{
    return m_form.horizontalSliderLEDPower->value() != 0;
}

QString ControlService::ledEffect() const
{
    switch (m_leds.effect()) {
    case LedPanel::Effect::Solid:
        return QStringLiteral("solid");
    case LedPanel::Effect::Breathe:
        return QStringLiteral("breathe");
    case LedPanel::Effect::Cycle:
        return QStringLiteral("cycle");
    case LedPanel::Effect::None:
        break;
    }
    return QStringLiteral("none");
}

int ControlService::ledColour() const
{
    return m_leds.colour();
}

bool ControlService::fanAutoRun() const
{
    return m_form.checkBoxAutoStartFan->isChecked();
}

bool ControlService::fanHibernate() const
{
    return m_form.checkBoxHibernateFan->isChecked();
}

bool ControlService::ledAutoRun() const
{
    return m_form.checkBoxAutoStartLED->isChecked();
}

bool ControlService::ledHibernate() const
{
    return m_form.checkBoxHibernateLED->isChecked();
}

QStringList ControlService::alarms() const
{
    return m_fans.cooling().alarms().standingIds();
}

bool ControlService::refuse(const char *error, const QString &message)
{
    if (calledFromDBus())
        sendErrorReply(QLatin1String(error), message);
    return false;
}

bool ControlService::needsController()
{
    return isConnected() || refuse(ControlBus::NotConnected, NoController);
}

bool ControlService::checkColour(int colour)
{
    return (colour >= 0 && colour < LedPanel::ColourCount) ||
           refuse(ControlBus::InvalidArgument,
                  QStringLiteral("colour %1: the colours are 0 to %2").arg(colour).arg(LedPanel::ColourCount - 1));
}

// A panel operation that said no for a reason the checks before could not
// see: the controls it stands for could not be used either.
void ControlService::answer(bool done, const char *error, const QString &message)
{
    if (!done)
        refuse(error, message);
    announceChanges();
}

void ControlService::SetMode(const QString &mode)
{
    const bool manual = mode == QLatin1String("manual");
    if (!manual && mode != QLatin1String("auto")) {
        refuse(ControlBus::InvalidArgument, QStringLiteral("mode '%1': the modes are manual and auto").arg(mode));
        return;
    }
    if (needsController())
        answer(m_fans.setMode(manual ? FanModes::Mode::Manual : FanModes::Mode::Auto), ControlBus::DeviceError,
               QStringLiteral("the fan mode cannot be changed now"));
}

void ControlService::SetGroupLevel(const QString &group, int level)
{
    const std::optional<int> index = checkGroup(group);
    if (!index || !needsController())
        return;
    const int top = maxLevels().at(*index);
    if (level < 0 || level > top) {
        refuse(ControlBus::InvalidArgument, QStringLiteral("the level of %1 is 0 to %2").arg(group).arg(top));
        return;
    }
    if (m_fans.mode() == FanModes::Mode::Auto) {
        refuse(ControlBus::InvalidArgument,
               QStringLiteral("the fans follow their curves (mode auto); set mode manual first"));
        return;
    }
    answer(m_fans.setGroupLevel(*index == 0 ? FanModes::Group::G1 : FanModes::Group::G2, level),
           ControlBus::DeviceError, QStringLiteral("the level cannot be set now"));
}

void ControlService::Dust()
{
    if (needsController())
        answer(m_fans.runDust(), ControlBus::DeviceError, QStringLiteral("the dust cycle cannot start now"));
}

void ControlService::SetLedPower(bool on)
{
    if (needsController())
        answer(m_leds.setPower(on), ControlBus::DeviceError, QStringLiteral("the LEDs cannot be switched now"));
}

void ControlService::SetSolidColour(int colour)
{
    if (checkColour(colour) && needsController())
        answerLedLaw(m_leds.setSolidColour(colour));
}

void ControlService::SetBreathingColour(int colour)
{
    if (checkColour(colour) && needsController())
        answerLedLaw(m_leds.setBreathingColour(colour));
}

void ControlService::SetColourCycle()
{
    if (needsController())
        answerLedLaw(m_leds.setColourCycle());
}

// The file is read here once, as it is now, and judged by the rule the driver
// applies before it uploads: a file the controller would never get is
// refused here, not dropped there, and a file changed afterwards changes
// nothing.
void ControlService::UploadLedLaw(const QString &path)
{
    std::unique_ptr<LedLawSnapshot> law = LedLawSnapshot::take(path);
    if (!law) {
        refuse(ControlBus::InvalidArgument,
               QStringLiteral("%1 is not a readable LED law file under %2 bytes")
                   .arg(path)
                   .arg(CorvaneLEDLawReader::MaxFileSize));
        return;
    }
    if (needsController())
        answerLedLaw(m_leds.uploadLedLaw(std::move(law)));
}

// The LEDs being off is the controller's state, not a fault in the request.
void ControlService::answerLedLaw(bool played)
{
    answer(played, ControlBus::DeviceError, QStringLiteral("the LEDs are off"));
}

void ControlService::answerAutoRun(bool accepted)
{
    answer(accepted, ControlBus::DeviceError, QStringLiteral("auto-run cannot be set now"));
}

void ControlService::answerHibernate(bool accepted)
{
    answer(accepted, ControlBus::DeviceError,
           QStringLiteral("this controller (%1) has no hibernate setting").arg(firmware()));
}

void ControlService::SetFanAutoRun(bool on)
{
    if (needsController())
        answerAutoRun(m_fans.setAutoRun(on));
}

void ControlService::SetFanHibernate(bool on)
{
    if (needsController())
        answerHibernate(m_fans.setHibernate(on));
}

void ControlService::SetLedAutoRun(bool on)
{
    if (needsController())
        answerAutoRun(m_leds.setAutoRun(on));
}

void ControlService::SetLedHibernate(bool on)
{
    if (needsController())
        answerHibernate(m_leds.setHibernate(on));
}

void ControlService::Save()
{
    if (needsController())
        answer(m_view.save(), ControlBus::DeviceError, QStringLiteral("the settings cannot be saved now"));
}

void ControlService::ShowWindow()
{
    emit showRequested();
}

QStringList ControlService::Sensors(QStringList &names, QStringList &units, QList<double> &values)
{
    QStringList ids;
    const QVector<CoolingControl::SourceValue> sources = m_fans.cooling().sourceValues();
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
    const CoolingChoice &choice = m_fans.cooling().choice(*index);
    points = choice.curveText();
    return choice.source();
}

void ControlService::SetCurve(const QString &group, const QString &source, const QString &points)
{
    const std::optional<int> index = checkGroup(group);
    if (!index)
        return;
    const QString refusal = m_fans.cooling().setCurve(*index, source, points);
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
