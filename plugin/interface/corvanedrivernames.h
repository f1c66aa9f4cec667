// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QtCore/qobjectdefs.h>

#include <array>
#include <cstddef>

/**
 * The names by which the program reaches the plug-in: the factory keys, the
 * device manager's and the notification widget's slots and signals, and the
 * driver object's properties, slots and signals.
 *
 * The program never links the plug-in, so a misspelt name only shows at run
 * time, as a failed invocation or an invalid property. Both sides therefore
 * take every name from here. moc reads the plug-in's declarations, not this
 * header: tst_pluginloader checks each name below against the built plug-in,
 * and tst_corvanehiddriver (methods) and tst_protocolconformance (properties)
 * pin the spellings as the program has always used them. The spellings are
 * the interface, misspellings included.
 *
 * Header only: include it and link nothing but the corvane-driver-names
 * target.
 */
namespace CorvaneDriverNames {

inline constexpr int FanCount = 4;

namespace Detail {

inline constexpr std::size_t Capacity = 48;
inline constexpr const char Digits[][2] = {"0", "1", "2", "3"};

// Copies @p text with its terminating zero to @p to from @p at on and returns
// where the zero went. Writing past the buffer is no constant expression, so
// a name too long for it fails to compile.
constexpr std::size_t append(char *to, std::size_t at, const char *text)
{
    while (*text)
        to[at++] = *text++;
    to[at] = 0;
    return at;
}

} // namespace Detail

/// A name, possibly a stem and a fan's digit: Name("fanDuty", 2) is "fanDuty2".
class Name
{
public:
    constexpr Name(const char *stem, int fan = -1)
    {
        const std::size_t end = Detail::append(m_text, 0, stem);
        if (fan >= 0)
            Detail::append(m_text, end, Detail::Digits[fan]);
    }

    constexpr const char *text() const { return m_text; }
    constexpr operator const char *() const { return m_text; }

private:
    char m_text[Detail::Capacity] = {};
};

/**
 * A signal or slot, in the forms the string-based Qt calls take:
 * QMetaObject::invokeMethod() the bare name(), QMetaObject::indexOfSignal()
 * and indexOfSlot() the normalised signature(); the string-based connect(),
 * disconnect() and QSignalSpy take what SIGNAL() and SLOT() make, which
 * Signal::signal() and Slot::slot() give.
 */
class Method
{
public:
    constexpr const char *name() const { return m_name.text(); }
    constexpr const char *signature() const { return m_coded + 1; }

protected:
    /// @p code is Qt's QSIGNAL_CODE or QSLOT_CODE; @p arguments the normalised list with its parentheses.
    constexpr Method(int code, Name name, const char *arguments)
        : m_name(name)
    {
        m_coded[0] = char('0' + code);
        Detail::append(m_coded, Detail::append(m_coded, 1, name), arguments);
    }

    constexpr const char *coded() const { return m_coded; }

private:
    Name m_name;
    char m_coded[Detail::Capacity] = {};
};

class Signal final : public Method
{
public:
    constexpr Signal(Name name, const char *arguments)
        : Method(QSIGNAL_CODE, name, arguments)
    {
    }

    /// As SIGNAL(name(arguments)) spells it.
    constexpr const char *signal() const { return coded(); }
};

class Slot final : public Method
{
public:
    constexpr Slot(Name name, const char *arguments)
        : Method(QSLOT_CODE, name, arguments)
    {
    }

    /// As SLOT(name(arguments)) spells it.
    constexpr const char *slot() const { return coded(); }
};

namespace Detail {

/// The per-fan variants of one name: @p stem with the digits 0 to 3, and @p arguments for methods.
template <typename Named, typename... Arguments>
constexpr std::array<Named, FanCount> perFan(const char *stem, Arguments... arguments)
{
    return {Named(Name(stem, 0), arguments...), Named(Name(stem, 1), arguments...), Named(Name(stem, 2), arguments...),
            Named(Name(stem, 3), arguments...)};
}

} // namespace Detail

/// Keys of QGenericPluginFactory::create(); the factory compares them without regard to case.
namespace FactoryKey {
inline constexpr const char DeviceManager[] = "CorvaneHIDDevice";
inline constexpr const char NotificationWidget[] = "CorvaneDeviceNotificationWidget";
} // namespace FactoryKey

/// The hidden widget that reports device arrivals and removals by path.
namespace NotificationWidget {
inline constexpr Signal DeviceConnected{"deviceConnected", "(QString)"};
inline constexpr Signal DeviceDisconnected{"deviceDisconnected", "(QString)"};
inline constexpr Slot RegisterDeviceNotification{"registerDeviceNotification", "()"};
inline constexpr Slot UnregisterDeviceNotification{"unregisterDeviceNotification", "()"};
} // namespace NotificationWidget

/// The device manager, which opens supported controllers and hands out their drivers.
namespace DeviceManager {
inline constexpr Signal SupportedDeviceOpened{"supportedDeviceOpened", "(QString,QObject*)"};
inline constexpr Signal SupportedDeviceClosed{"supportedDeviceClosed", "(QString,QObject*)"};
inline constexpr Slot AddSupportedDeviceID{"addSupportedDeviceID", "(ushort,ushort)"};
inline constexpr Slot SetMonitorWidget{"setMonitorWidget", "(QObject*)"};
inline constexpr Slot TryConnectSupportedDevice{"tryConnectSupportedDevice", "()"};
inline constexpr Slot ConnectDeviceByPath{"connectDeviceByPath", "(QString)"};
inline constexpr Slot DisconnectDeviceByPath{"disconnectDeviceByPath", "(QString)"};
// What corvane-ctl asks besides: QStringList supportedDevicePaths(), QString deviceHolder(QString),
// bool isConnecting().
inline constexpr Slot SupportedDevicePaths{"supportedDevicePaths", "()"};
inline constexpr Slot DeviceHolder{"deviceHolder", "(QString)"};
inline constexpr Slot IsConnecting{"isConnecting", "()"};
} // namespace DeviceManager

/// The driver object of one opened controller.
namespace Driver {

// Properties every controller publishes once opened. Fan duties are in
// percent; the adapter reading in volts.
inline constexpr const char PowerAdapter[] = "powerAdapter";
inline constexpr const char FirmwareVersion[] = "firmwareVersion";
inline constexpr const char ProtocolVersion[] = "protocolVersion";
inline constexpr const char HardwareVersion[] = "hardwareVersion";
inline constexpr const char Model[] = "model";
inline constexpr const char CpuId[] = "CPUID";
inline constexpr const char LedPower[] = "LEDPower";
inline constexpr const char IntervalTimeMs[] = "intervalTimeMS";
inline constexpr const char LawCount[] = "lawCount";
inline constexpr const char FanAutoRun[] = "fanAutoRun";
inline constexpr const char LedAutoRun[] = "LEDAutoRun";
inline constexpr const char FanShutdownOnDisconnect[] = "fanShutdownOnDisconnect";
inline constexpr const char LedShutdownOnDisconnect[] = "LEDShutdownOnDisconnect";
inline constexpr auto FanDutyProperties = Detail::perFan<Name>("fanDuty");
/// bool, set at each poll: the controller's exchanges have been failing lately.
inline constexpr const char NotAnswering[] = "notAnswering";

// Properties of the v2000 family only; fan speeds only from hardware that reports them.
inline constexpr const char ManufacturingDate[] = "manfDate";
inline constexpr const char ManufacturerId[] = "manfID";
inline constexpr auto FanRpmProperties = Detail::perFan<Name>("fanCurrentRPM");

inline constexpr auto FanRpmChangedSignals = Detail::perFan<Signal>("fanRoundPerMinChanged", "(int)");
inline constexpr Signal DevicePowerChanged{"devicePowerChanged", "(float)"};

/// enableFanN(int duty): duty in percent, only the low 8 bits count.
inline constexpr auto EnableFanSlots = Detail::perFan<Slot>("enableFan", "(int)");
inline constexpr Slot EnableAutoHibernateFan{"enableAutohHibernateFan", "(bool)"};
inline constexpr Slot EnableAutoRunFan{"enableAutoRunFan", "(bool)"};
inline constexpr Slot EnableLed{"enableLED", "(bool)"};
inline constexpr Slot EnableAutoHibernateLed{"enableAutohHibernateLED", "(bool)"};
inline constexpr Slot EnableAutoRunLed{"enableAutoRunLED", "(bool)"};
inline constexpr Slot SendLedLawFile{"sendLEDLawFile", "(QString)"};
inline constexpr Slot SaveConfiguration{"saveConfiguration", "()"};

/// The name of fan @p fan's duty property (fans 0 to 3).
constexpr const char *fanDutyProperty(int fan)
{
    return FanDutyProperties[fan];
}

/// The name of fan @p fan's speed property, in rounds per minute.
constexpr const char *fanRpmProperty(int fan)
{
    return FanRpmProperties[fan];
}

/// fanRoundPerMinChangedN(int rpm).
constexpr const Signal &fanRpmChanged(int fan)
{
    return FanRpmChangedSignals[fan];
}

/// enableFanN(int duty).
constexpr const Slot &enableFan(int fan)
{
    return EnableFanSlots[fan];
}

} // namespace Driver

} // namespace CorvaneDriverNames
