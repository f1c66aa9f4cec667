// SPDX-License-Identifier: GPL-3.0-or-later
#include "directlink.h"

#include "coolingcontrol.h"
#include "cpuloadinput.h"
#include "corvanedrivernames.h"
#include "deviceidentity.h"
#include "mainwindowcoprocessor.h"
#include "usersettings.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QGenericPluginFactory>
#include <QJsonObject>
#include <QThread>
#include <QTimer>
#include <QVariant>

#include <cstdio>

namespace {

namespace Names = CorvaneDriverNames;
namespace Manager = CorvaneDriverNames::DeviceManager;
namespace Driver = CorvaneDriverNames::Driver;

constexpr quint16 SupportedVendorId = 0x2A0E;
constexpr quint16 SupportedProductId = 0x1000;
constexpr unsigned long BusyPollMs = 100;
// An open completes on the plug-in's I/O thread; one that does not answer
// costs a kernel timeout (5 s) per protocol.
constexpr int OpenWaitMs = 15000;

void tell(const QString &message)
{
    std::fprintf(stderr, "corvane-ctl: %s\n", qPrintable(message));
}

ControllerRules::Part partNamed(const QString &target)
{
    return target == QLatin1String("fan") ? ControllerRules::Part::Fan : ControllerRules::Part::Led;
}

std::optional<int> intProperty(const QObject &driver, const char *name)
{
    const QVariant value = driver.property(name);
    return value.isValid() ? std::optional<int>(value.toInt()) : std::nullopt;
}

bool flagProperty(const QObject &driver, const char *name)
{
    // bool on one protocol, 0/1 or 0/2 on the other.
    return driver.property(name).toInt() != 0;
}

/// The verified global configuration beside the tool, as the program loads it beside itself.
std::optional<QVariant> loadGlobalConfig()
{
    MainWindowCoProcessor loader;
    std::optional<QVariant> loaded;
    QObject::connect(&loader, &MainWindowCoProcessor::initGlobalConfig,
                     [&loaded](const QVariant &conf, bool isVerified) {
                         if (isVerified)
                             loaded = conf;
                     });
    loader.loadDeviceGlobalConfig();
    return loaded;
}

} // namespace

// The rules' refusals become the tool's exit statuses.
static CtlOutcome outcomeOf(const RuleVerdict &verdict)
{
    switch (verdict.kind) {
    case RuleVerdict::Done:
        break;
    case RuleVerdict::BadArgument:
        return CtlOutcome::failed(CtlOutcome::BadUsage, verdict.reason);
    case RuleVerdict::NoController:
        return CtlOutcome::failed(CtlOutcome::NoController, verdict.reason);
    case RuleVerdict::Refused:
        return CtlOutcome::failed(CtlOutcome::DeviceFailed, verdict.reason);
    }
    return CtlOutcome::done();
}

DirectLink::DirectLink(QObject *parent)
    : ControllerLink(parent),
      m_rules(ControllerRules::Keeper::OneShot)
{
}

DirectLink::~DirectLink()
{
    close();
}

CtlOutcome DirectLink::loadPlugin()
{
    m_manager.reset(QGenericPluginFactory::create(QLatin1String(Names::FactoryKey::DeviceManager), QString()));
    if (!m_manager) {
        return CtlOutcome::failed(CtlOutcome::DeviceFailed,
                                  QStringLiteral("the device plug-in is missing from %1/generic")
                                      .arg(QCoreApplication::applicationDirPath()));
    }
    connect(m_manager.get(), Manager::SupportedDeviceOpened.signal(), this, SLOT(onOpened(QString, QObject *)));
    connect(m_manager.get(), Manager::SupportedDeviceClosed.signal(), this, SLOT(onClosed(QString, QObject *)));
    QMetaObject::invokeMethod(m_manager.get(), Manager::AddSupportedDeviceID.name(), Qt::DirectConnection,
                              Q_ARG(quint16, SupportedVendorId), Q_ARG(quint16, SupportedProductId));
    return CtlOutcome::done();
}

void DirectLink::onOpened(const QString &devPath, QObject *driver)
{
    m_path = devPath;
    m_driver = driver;
    m_rules.attach(driver);
    // The driver polls once a second; each poll may bring new values.
    connect(driver, Driver::DevicePowerChanged.signal(), this, SIGNAL(changed()));
}

// The plug-in lets a controller go by itself when it stops answering (it
// was pulled, or fell silent): from then on the status is "not connected",
// not the last values the driver read.
void DirectLink::onClosed(const QString &devPath, QObject *driver)
{
    Q_UNUSED(devPath)
    if (driver != m_driver)
        return;
    m_driver = nullptr;
    m_rules.detach();
    emit changed();
}

CtlOutcome DirectLink::open(int waitMs)
{
    const CtlOutcome loaded = loadPlugin();
    if (!loaded.ok())
        return loaded;
    QElapsedTimer clock;
    clock.start();
    QString toldHolder;
    for (;;) {
        QMetaObject::invokeMethod(m_manager.get(), Manager::TryConnectSupportedDevice.name(), Qt::DirectConnection);
        waitWhileConnecting();
        if (m_driver)
            return CtlOutcome::done();
        QStringList paths;
        QMetaObject::invokeMethod(m_manager.get(), Manager::SupportedDevicePaths.name(), Qt::DirectConnection,
                                  Q_RETURN_ARG(QStringList, paths));
        QString holder;
        const CtlOutcome why = whyNotOpened(paths, &holder);
        if (why.code != CtlOutcome::InUse || clock.elapsed() >= waitMs)
            return why;
        if (holder != toldHolder) {
            tell(QStringLiteral("waiting for %1 to let go of the controller").arg(holder));
            toldHolder = holder;
        }
        QThread::msleep(BusyPollMs);
    }
}

CtlOutcome DirectLink::nonePlugged()
{
    return CtlOutcome::failed(CtlOutcome::NoController, QStringLiteral("no controller is plugged in"));
}

CtlOutcome DirectLink::whyNotOpened(const QStringList &paths, QString *holder)
{
    if (paths.isEmpty())
        return nonePlugged();
    for (const QString &candidate : paths) {
        QMetaObject::invokeMethod(m_manager.get(), Manager::DeviceHolder.name(), Qt::DirectConnection,
                                  Q_RETURN_ARG(QString, *holder), Q_ARG(QString, candidate));
        if (!holder->isEmpty()) {
            return CtlOutcome::failed(CtlOutcome::InUse,
                                      QStringLiteral("the controller at %1 is in use by %2").arg(candidate, *holder));
        }
    }
    return CtlOutcome::failed(CtlOutcome::DeviceFailed,
                              QStringLiteral("the controller at %1 does not answer").arg(paths.join(QLatin1String(", "))));
}

bool DirectLink::tryOpen(const QString &devPath)
{
    QMetaObject::invokeMethod(m_manager.get(), Manager::ConnectDeviceByPath.name(), Qt::DirectConnection,
                              Q_ARG(QString, devPath));
    waitWhileConnecting();
    return m_driver;
}

void DirectLink::waitWhileConnecting()
{
    const QDeadlineTimer deadline(OpenWaitMs);
    // Wakes the wait below now and then, so that the deadline is seen.
    QTimer wake;
    wake.start(BusyPollMs);
    const auto connecting = [this] {
        bool answer = false;
        QMetaObject::invokeMethod(m_manager.get(), Manager::IsConnecting.name(), Qt::DirectConnection,
                                  Q_RETURN_ARG(bool, answer));
        return answer;
    };
    while (!m_driver && connecting() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

void DirectLink::close()
{
    if (m_manager && m_driver)
        QMetaObject::invokeMethod(m_manager.get(), Manager::DisconnectDeviceByPath.name(), Qt::DirectConnection,
                                  Q_ARG(QString, m_path));
    m_driver = nullptr;
    m_rules.detach();
}

// A controller that another process has open is not waited for: it is
// listed with its holder.
CtlOutcome DirectLink::list(QList<QJsonObject> *controllers)
{
    const CtlOutcome loaded = loadPlugin();
    if (!loaded.ok())
        return loaded;
    QStringList paths;
    QMetaObject::invokeMethod(m_manager.get(), Manager::SupportedDevicePaths.name(), Qt::DirectConnection,
                              Q_RETURN_ARG(QStringList, paths));
    for (const QString &candidate : qAsConst(paths)) {
        QJsonObject entry{{QStringLiteral("path"), candidate}, {QStringLiteral("protocol"), QJsonValue()},
                          {QStringLiteral("firmware"), QJsonValue()}, {QStringLiteral("held_by"), QJsonValue()}};
        if (tryOpen(candidate)) {
            const DeviceIdentity identity = DeviceIdentity::fromDriver(*m_driver);
            entry[QStringLiteral("protocol")] = identity.protocol;
            entry[QStringLiteral("firmware")] = identity.firmwareText();
            close();
        } else {
            QString holder;
            QMetaObject::invokeMethod(m_manager.get(), Manager::DeviceHolder.name(), Qt::DirectConnection,
                                      Q_RETURN_ARG(QString, holder), Q_ARG(QString, candidate));
            if (!holder.isEmpty())
                entry[QStringLiteral("held_by")] = holder;
        }
        controllers->append(entry);
    }
    return CtlOutcome::done();
}

CtlOutcome DirectLink::status(ControllerStatus *status)
{
    *status = ControllerStatus();
    status->source = QStringLiteral("direct");
    if (!m_driver)
        return CtlOutcome::done();
    const DeviceIdentity identity = DeviceIdentity::fromDriver(*m_driver);
    status->connected = true;
    status->path = m_path;
    status->protocol = identity.protocol;
    status->model = identity.modelText();
    status->firmware = identity.firmwareText();
    status->serial = identity.serialText();
    status->adapterVolts = m_driver->property(Driver::PowerAdapter).toDouble();
    for (int i = 0; i < int(status->fans.size()); ++i) {
        status->fans[i].duty = m_driver->property(Driver::fanDutyProperty(i)).toInt();
        status->fans[i].rpm = intProperty(*m_driver, Driver::fanRpmProperty(i));
    }
    status->ledPower = flagProperty(*m_driver, Driver::LedPower);
    status->fanAutoRun = flagProperty(*m_driver, Driver::FanAutoRun);
    status->ledAutoRun = flagProperty(*m_driver, Driver::LedAutoRun);
    status->fanHibernate = flagProperty(*m_driver, Driver::FanShutdownOnDisconnect);
    status->ledHibernate = flagProperty(*m_driver, Driver::LedShutdownOnDisconnect);
    return CtlOutcome::done();
}

// The level goes through the same duty tables, the same processor and the
// same "Change Boost" setting as a slider of the panel; the tool waits until
// the last command reached the driver.
CtlOutcome DirectLink::setGroupLevel(const QString &group, int level)
{
    const std::optional<QVariant> config = loadGlobalConfig();
    if (!config) {
        return CtlOutcome::failed(CtlOutcome::DeviceFailed,
                                  QStringLiteral("the fan configuration beside corvane-ctl does not verify"));
    }
    m_rules.configure(*config);
    m_rules.setBoost(UserSettings::changeBoost(*UserSettings::open()));
    const CtlOutcome outcome = outcomeOf(m_rules.setGroupLevel(
        group == QLatin1String("G1") ? ControllerRules::Group::G1 : ControllerRules::Group::G2, level));
    while (m_rules.activeProcessor() && m_rules.activeProcessor()->hasPendingCommands())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    // The last commands reach the driver as queued calls.
    QCoreApplication::sendPostedEvents();
    return outcome;
}

CtlOutcome DirectLink::setMode(const QString &mode)
{
    return outcomeOf(m_rules.setMode(mode == QLatin1String("auto") ? ControllerRules::Mode::Auto
                                                                    : ControllerRules::Mode::Manual));
}

CtlOutcome DirectLink::dust()
{
    return outcomeOf(m_rules.runDust());
}

CtlOutcome DirectLink::showWindow()
{
    return outcomeOf(m_rules.needsPanel(QStringLiteral("show")));
}

QString DirectLink::monitorNote() const
{
    return QStringLiteral("the fan mode, the group levels and the LED effect are the panel's; "
                          "without it they are not shown");
}

CtlOutcome DirectLink::setLedPower(bool on)
{
    return outcomeOf(m_rules.setLedPower(on));
}

CtlOutcome DirectLink::setSolidColour(int colour)
{
    return outcomeOf(m_rules.setSolidColour(colour));
}

CtlOutcome DirectLink::setBreathingColour(int colour)
{
    return outcomeOf(m_rules.setBreathingColour(colour));
}

CtlOutcome DirectLink::setColourCycle()
{
    return outcomeOf(m_rules.setColourCycle());
}

CtlOutcome DirectLink::uploadLedLaw(const QString &path)
{
    return outcomeOf(m_rules.uploadLedLaw(path));
}

CtlOutcome DirectLink::setAutoRun(const QString &target, bool on)
{
    return outcomeOf(m_rules.setOption(partNamed(target), ControllerRules::Option::AutoRun, on));
}

CtlOutcome DirectLink::setHibernate(const QString &target, bool on)
{
    return outcomeOf(m_rules.setOption(partNamed(target), ControllerRules::Option::Hibernate, on));
}

CtlOutcome DirectLink::save()
{
    return outcomeOf(m_rules.save());
}

// Without the panel no AUTO tick has measured the CPU load.
CoolingControl &DirectLink::cooling()
{
    if (!m_cooling)
        m_cooling = std::make_unique<CoolingControl>(CpuLoadInput::none(), &m_hwmonReader, &UserSettings::open);
    return *m_cooling;
}

CtlOutcome DirectLink::sensors(QVector<CoolingReport::Sensor> *sensors)
{
    const QVector<CoolingControl::SourceValue> values = cooling().sourceValues();
    for (const CoolingControl::SourceValue &value : values) {
        const bool percent = value.source.unit == SourceList::Unit::Percent;
        sensors->append({value.source.id, value.source.name, percent ? QStringLiteral("%") : QStringLiteral("°C"),
                         value.value});
    }
    return CtlOutcome::done();
}

CtlOutcome DirectLink::curve(const QString &group, CoolingReport::Curve *curve)
{
    const CoolingChoice &choice = cooling().choice(*CoolingControl::groupNamed(group));
    *curve = {choice.source(), choice.curveText()};
    return CtlOutcome::done();
}

CtlOutcome DirectLink::setCurve(const QString &group, const QString &source, const QString &points)
{
    const QString refusal = cooling().setCurve(*CoolingControl::groupNamed(group), source, points);
    return refusal.isEmpty() ? CtlOutcome::done() : CtlOutcome::failed(CtlOutcome::BadUsage, refusal);
}
