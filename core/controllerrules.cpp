// SPDX-License-Identifier: GPL-3.0-or-later
#include "controllerrules.h"

#include "corvanedrivernames.h"
#include "corvaneledlawreader.h"
#include "globalconfig.h"
#include "ledlawfiles.h"
#include "windowlogging.h"

namespace {

namespace Driver = CorvaneDriverNames::Driver;

constexpr int G1FirstFan = 0;
constexpr int G2FirstFan = 2;

int firstFan(ControllerRules::Group group)
{
    return group == ControllerRules::Group::G1 ? G1FirstFan : G2FirstFan;
}

QString groupName(ControllerRules::Group group)
{
    return group == ControllerRules::Group::G1 ? QStringLiteral("G1") : QStringLiteral("G2");
}

// The driver's slot for each option, indexed [Part][Option], and the property that reports it.
constexpr std::array<std::array<const CorvaneDriverNames::Slot *, 2>, 2> OptionSlots = {{
    {&Driver::EnableAutoRunFan, &Driver::EnableAutoHibernateFan},
    {&Driver::EnableAutoRunLed, &Driver::EnableAutoHibernateLed},
}};
constexpr std::array<std::array<const char *, 2>, 2> OptionProperties = {{
    {Driver::FanAutoRun, Driver::FanShutdownOnDisconnect},
    {Driver::LedAutoRun, Driver::LedShutdownOnDisconnect},
}};

// bool on one protocol, 0/1 or 0/2 on the other.
bool flagProperty(const QObject &driver, const char *name)
{
    return driver.property(name).toInt() != 0;
}

} // namespace

ControllerRules::ControllerRules(Keeper keeper, QObject *parent)
    : QObject(parent),
      m_keeper(keeper)
{
}

// A controller served already gets its current duties read again through the new tables.
void ControllerRules::configure(const QVariant &globalConfig)
{
    applyGlobalConfig(globalConfig, m_processors[0], m_processors[1]);
    if (m_active && m_driver)
        m_active->setDevice(m_driver);
}

void ControllerRules::attach(QObject *driver)
{
    m_driver = driver;
    m_identity = DeviceIdentity::fromDriver(*driver);
    m_active = &m_processors[m_identity.usesFirstDutyTables() ? 0 : 1];
    m_active->setDevice(driver);
    for (std::size_t part = 0; part < m_options.size(); ++part) {
        for (std::size_t option = 0; option < m_options[part].size(); ++option)
            m_options[part][option] = flagProperty(*driver, OptionProperties[part][option]);
    }
    m_ledPower = flagProperty(*driver, Driver::LedPower);
    // What a controller just plugged in plays is its own affair.
    m_effect = Effect::None;
    m_colour = -1;
    emit attached();
}

// The processor stays chosen, and the mode stays as it was: AUTO waits to be
// chosen again.
void ControllerRules::detach()
{
    m_driver = nullptr;
    m_identity = DeviceIdentity();
    if (m_active)
        m_active->setDevice(nullptr);
    m_options = {};
    emit detached();
}

RuleVerdict ControllerRules::needsController() const
{
    return m_driver ? RuleVerdict::done()
                    : RuleVerdict::refused(RuleVerdict::NoController, QStringLiteral("no controller is connected"));
}

// A one-shot command ends before the AUTO timer or the dust cycle would act.
RuleVerdict ControllerRules::needsPanel(const QString &what) const
{
    if (m_keeper == Keeper::Panel)
        return RuleVerdict::done();
    return RuleVerdict::refused(RuleVerdict::NoController,
                                QStringLiteral("%1 needs the panel (corvane-control) running: the panel keeps it")
                                    .arg(what));
}

RuleVerdict ControllerRules::setMode(Mode mode)
{
    RuleVerdict verdict = needsPanel(QStringLiteral("the fan mode"));
    if (verdict.ok())
        verdict = needsController();
    if (!verdict.ok())
        return verdict;
    m_mode = mode;
    emit modeChanged(mode);
    if (mode == Mode::Auto)
        control_fans(topLevel(), topLevel());
    return verdict;
}

RuleVerdict ControllerRules::setGroupLevel(Group group, int level)
{
    const RuleVerdict verdict = needsController();
    if (!verdict.ok())
        return verdict;
    const int top = maxLevel(group);
    if (level < 0 || level > top) {
        return RuleVerdict::refused(RuleVerdict::BadArgument,
                                    QStringLiteral("the level of %1 is 0 to %2").arg(groupName(group)).arg(top));
    }
    if (m_mode == Mode::Auto) {
        return RuleVerdict::refused(RuleVerdict::BadArgument,
                                    QStringLiteral("the fans follow their curves (mode auto); set mode manual first"));
    }
    if (group == Group::G1)
        control_fans(level, -1);
    else
        control_fans(-1, level);
    return verdict;
}

RuleVerdict ControllerRules::runDust()
{
    RuleVerdict verdict = needsPanel(QStringLiteral("the dust cycle"));
    if (verdict.ok())
        verdict = needsController();
    if (verdict.ok())
        m_active->dust();
    return verdict;
}

// Only AUTO's timer calls it, and it stops with AUTO.
void ControllerRules::followLevels(int g1Level, int g2Level)
{
    if (m_driver)
        control_fans(g1Level, g2Level);
}

void ControllerRules::setBoost(bool on)
{
    if (on == m_boost)
        return;
    m_boost = on;
    emit boostChanged(on);
}

// G2 is only looked at when G1 stays; once something changes, every group
// given a level is applied, also one that is already there.
void ControllerRules::control_fans(int g1Level, int g2Level)
{
    if (!levelsChange(g1Level, g2Level)) {
        qCDebug(lcWindow, "ignored!");
        return;
    }
    qCDebug(lcWindow, "control_fans(%d,%d)", g1Level, g2Level);
    scheduleGroup(G1FirstFan, g1Level);
    scheduleGroup(G2FirstFan, g2Level);
    emit levelsApplied(g1Level, g2Level);
}

bool ControllerRules::levelsChange(int g1Level, int g2Level) const
{
    if (g1Level >= 0 && g1Level != groupLevel(Group::G1))
        return true;
    return g2Level >= 0 && g2Level != groupLevel(Group::G2);
}

// Boost takes G1's top level for both groups.
void ControllerRules::scheduleGroup(int firstFan, int level)
{
    if (level >= 0)
        m_active->scheduleGroupLevel(firstFan, level, m_boost ? topLevel() : -1);
}

RuleVerdict ControllerRules::setOption(Part part, Option option, bool on)
{
    const RuleVerdict verdict = needsController();
    if (!verdict.ok())
        return verdict;
    if (option == Option::Hibernate && !canHibernate()) {
        return RuleVerdict::refused(
            RuleVerdict::Refused,
            QStringLiteral("this controller (%1) has no hibernate setting").arg(m_identity.firmwareText()));
    }
    m_options[std::size_t(part)][std::size_t(option)] = on;
    callDriver(OptionSlots[std::size_t(part)][std::size_t(option)]->name(), Q_ARG(bool, on));
    emit optionChanged(part, option, on);
    return verdict;
}

RuleVerdict ControllerRules::setLedPower(bool on)
{
    const RuleVerdict verdict = needsController();
    if (!verdict.ok())
        return verdict;
    m_ledPower = on;
    callDriver(Driver::EnableLed.name(), Q_ARG(bool, on));
    emit ledPowerChanged(on);
    return verdict;
}

RuleVerdict ControllerRules::checkColour(int colour)
{
    if (colour >= 0 && colour < ColourCount)
        return RuleVerdict::done();
    return RuleVerdict::refused(RuleVerdict::BadArgument,
                                QStringLiteral("colour %1: the colours are 0 to %2").arg(colour).arg(ColourCount - 1));
}

// The LEDs being off is the controller's state, not a fault in the request.
RuleVerdict ControllerRules::needsLedsOn() const
{
    RuleVerdict verdict = needsController();
    if (verdict.ok() && !m_ledPower)
        verdict = RuleVerdict::refused(RuleVerdict::Refused, QStringLiteral("the LEDs are off"));
    return verdict;
}

RuleVerdict ControllerRules::setSolidColour(int colour)
{
    const RuleVerdict verdict = checkColour(colour);
    return verdict.ok() ? playEffect(Effect::Solid, colour) : verdict;
}

RuleVerdict ControllerRules::setBreathingColour(int colour)
{
    const RuleVerdict verdict = checkColour(colour);
    return verdict.ok() ? playEffect(Effect::Breathe, colour) : verdict;
}

RuleVerdict ControllerRules::setColourCycle()
{
    return playEffect(Effect::Cycle, -1);
}

RuleVerdict ControllerRules::playEffect(Effect effect, int colour)
{
    const RuleVerdict verdict = needsLedsOn();
    if (!verdict.ok())
        return verdict;
    sendLaw(effect == Effect::Solid     ? LedLawFiles::solid(colour)
            : effect == Effect::Breathe ? LedLawFiles::breathing(colour)
                                        : LedLawFiles::cycle());
    m_effect = effect;
    m_colour = colour;
    emit effectPlayed(effect, colour);
    return verdict;
}

// The file is judged by the rule the driver applies before it uploads: a file
// the controller would never get is refused here, not dropped there, and a
// file changed afterwards changes nothing. The copy is kept until the next
// upload, so that a driver called later still finds it.
RuleVerdict ControllerRules::uploadLedLaw(const QString &path)
{
    std::unique_ptr<LedLawSnapshot> law = LedLawSnapshot::take(path);
    if (!law) {
        return RuleVerdict::refused(RuleVerdict::BadArgument,
                                    QStringLiteral("%1 is not a readable LED law file under %2 bytes")
                                        .arg(path)
                                        .arg(CorvaneLEDLawReader::MaxFileSize));
    }
    const RuleVerdict verdict = needsLedsOn();
    if (!verdict.ok())
        return verdict;
    sendLaw(law->path());
    m_uploadedLaw = std::move(law);
    m_effect = Effect::None;
    m_colour = -1;
    return verdict;
}

RuleVerdict ControllerRules::save()
{
    const RuleVerdict verdict = needsController();
    if (verdict.ok())
        callDriver(Driver::SaveConfiguration.name());
    return verdict;
}

bool ControllerRules::isDusting() const
{
    return m_active && m_active->isDusting();
}

int ControllerRules::groupLevel(Group group) const
{
    return m_driver && m_active ? m_active->currentLevel(firstFan(group)) : 0;
}

int ControllerRules::maxLevel(Group group) const
{
    return m_active ? m_active->maxLevel(firstFan(group)) : -1;
}

int ControllerRules::topLevel() const
{
    return maxLevel(Group::G1);
}

bool ControllerRules::option(Part part, Option option) const
{
    return m_options[std::size_t(part)][std::size_t(option)];
}

void ControllerRules::sendLaw(const QString &path)
{
    callDriver(Driver::SendLedLawFile.name(), Q_ARG(QString, path));
}

void ControllerRules::callDriver(const char *slot, QGenericArgument argument)
{
    const Qt::ConnectionType type = m_keeper == Keeper::Panel ? Qt::QueuedConnection : Qt::DirectConnection;
    QMetaObject::invokeMethod(m_driver, slot, type, argument);
}
