// SPDX-License-Identifier: GPL-3.0-or-later
#include "hidrawdevicetree.h"

namespace {

// The bus the bench's controllers hang on: the first root hub of an xHCI
// controller, as on most PCs.
const QLatin1String HostController("/devices/pci0000:00/0000:00:14.0");
const QLatin1String HostControllerName("0000:00:14.0");
constexpr int HidrawMajor = 240;
constexpr int BusUsb = 0x03;
// The simulator's enumeration names its controllers so (sim/hidapi.cpp).
const QLatin1String Manufacturer("Corvane");
const QLatin1String Product("Corvane cooling and lighting controller (simulated)");

constexpr int FeaturePayload = 64;
// Ids of the report that every protocol reads to find out who a controller
// is, and of the three LED channel blocks of four reports each.
constexpr int IdentityReport = 1;
constexpr int FirstChannelReports[3] = {16, 32, 48};
constexpr int ReportsPerChannel = 4;

QByteArray hexUpper(const QByteArray &bytes)
{
    return bytes.toHex().toUpper();
}

// One device paragraph of umockdev's record format.
class Paragraph
{
public:
    explicit Paragraph(const QString &sysPath) { m_text += "P: " + sysPath.toUtf8() + '\n'; }
    Paragraph &property(const char *key, const QByteArray &value) { return line('E', key, value); }
    Paragraph &attribute(const char *key, const QByteArray &value) { return line('A', key, value); }
    Paragraph &binary(const char *key, const QByteArray &value) { return line('H', key, hexUpper(value)); }
    Paragraph &link(const char *key, const QByteArray &value) { return line('L', key, value); }
    Paragraph &node(const QByteArray &name, const QByteArray &contents)
    {
        m_text += "N: " + name + '=' + hexUpper(contents) + '\n';
        return *this;
    }
    QByteArray text() const { return m_text + '\n'; }

private:
    Paragraph &line(char type, const char *key, const QByteArray &value)
    {
        m_text += type + QByteArray(": ") + key + '=' + value + '\n';
        return *this;
    }

    QByteArray m_text;
};

QByteArray number(int value, int base = 10, int width = 0)
{
    return QByteArray::number(value, base).rightJustified(width, '0');
}

} // namespace

std::bitset<256> HidrawDeviceTree::featureReports(CorvaneSim::Protocol protocol)
{
    std::bitset<256> ids;
    ids.set(IdentityReport);
    if (protocol == CorvaneSim::Protocol::V2000) {
        ids.set(6);   // commands
    } else {
        ids.set(2);   // power
        ids.set(3);   // fans
        ids.set(10);  // LEDs
    }
    for (const int first : FirstChannelReports) {
        for (int i = 0; i < ReportsPerChannel; ++i)
            ids.set(size_t(first + i));
    }
    return ids;
}

// A vendor-defined application collection with one feature report of 64
// bytes per id: Usage Page (0xff00), Usage (1), Collection (Application),
// then for each id Report ID, Usage (1), Logical Minimum (0), Logical
// Maximum (255), Report Size (8), Report Count (64), Feature (Data, Var,
// Abs), and End Collection.
QByteArray HidrawDeviceTree::reportDescriptor(const std::bitset<256> &featureReports)
{
    QByteArray descriptor = QByteArray::fromHex("0600ff0901a101");
    for (int id = 1; id < 256; ++id) {
        if (!featureReports.test(size_t(id)))
            continue;
        descriptor += char(0x85);
        descriptor += char(id);
        descriptor += QByteArray::fromHex("0901150026ff00750895");
        descriptor += char(FeaturePayload);
        descriptor += QByteArray::fromHex("b102");
    }
    descriptor += char(0xc0);
    return descriptor;
}

HidrawDeviceTree::HidrawDeviceTree(const CorvaneSim::ControllerConfig &config, const QStringList &simPaths,
                                   const Placement &placement)
{
    const QByteArray vendor = number(config.vendorId, 16, 4);
    const QByteArray product = number(config.productId, 16, 4);
    const QByteArray release = number(config.firmwareVersion, 16, 4);
    const QByteArray serial = hexUpper(config.cpuid);
    const QByteArray productLine = vendor + '/' + product + '/' + QByteArray::number(config.firmwareVersion, 16);
    const QByteArray port = QByteArray::number(placement.port);
    const QString usbDevice = HostController + QStringLiteral("/usb1/1-%1").arg(placement.port);
    const std::bitset<256> reports = featureReports(config.protocol);
    const QByteArray descriptor = reportDescriptor(reports);

    m_record += Paragraph(usbDevice)
                    .property("SUBSYSTEM", "usb")
                    .property("DEVTYPE", "usb_device")
                    .property("DRIVER", "usb")
                    .property("PRODUCT", productLine)
                    .property("TYPE", "0/0/0")
                    .property("BUSNUM", "001")
                    .property("DEVNUM", number(placement.deviceNumber, 10, 3))
                    .attribute("idVendor", vendor)
                    .attribute("idProduct", product)
                    .attribute("bcdDevice", release)
                    .attribute("manufacturer", Manufacturer.latin1())
                    .attribute("product", Product.latin1())
                    .attribute("serial", serial)
                    .attribute("busnum", "1")
                    .attribute("devnum", QByteArray::number(placement.deviceNumber))
                    .attribute("devpath", port)
                    .attribute("speed", "12")
                    .attribute("bNumInterfaces", QByteArray::number(simPaths.size()).rightJustified(2, ' '))
                    .attribute("bConfigurationValue", "1")
                    .text();

    for (int k = 0; k < simPaths.size(); ++k) {
        const QString interface = usbDevice + QStringLiteral("/1-%1:1.%2").arg(placement.port).arg(k);
        const QByteArray hidName = QStringLiteral("%1:%2:%3.%4")
                                       .arg(BusUsb, 4, 16, QLatin1Char('0'))
                                       .arg(config.vendorId, 4, 16, QLatin1Char('0'))
                                       .arg(config.productId, 4, 16, QLatin1Char('0'))
                                       .arg(placement.firstHidSequence + k, 4, 16, QLatin1Char('0'))
                                       .toUpper()
                                       .toLatin1();
        const QString hid = interface + QLatin1Char('/') + QLatin1String(hidName);
        const int minor = placement.minors.at(k);
        const QByteArray hidraw = "hidraw" + QByteArray::number(minor);
        const QString rawNode = hid + QLatin1String("/hidraw/") + QLatin1String(hidraw);

        auto node = std::make_shared<HidrawNode>();
        node->devnode = QLatin1String("/dev/") + QLatin1String(hidraw);
        node->simPath = simPaths.at(k);
        node->reportDescriptor = descriptor;
        node->featureReports = reports;
        node->featureReportSize = 1 + FeaturePayload;
        node->vendorId = config.vendorId;
        node->productId = config.productId;
        // usbhid's names: manufacturer and product; the port path and the interface; the serial.
        node->name = QByteArray(Manufacturer.latin1()) + ' ' + Product.latin1();
        node->phys = "usb-" + QByteArray(HostControllerName.latin1()) + '-' + port + "/input" + QByteArray::number(k);
        node->uniq = serial;
        m_nodes.append(node);

        m_record += Paragraph(interface)
                        .property("SUBSYSTEM", "usb")
                        .property("DEVTYPE", "usb_interface")
                        .property("DRIVER", "usbhid")
                        .property("PRODUCT", productLine)
                        .property("INTERFACE", "3/0/0")
                        .attribute("bInterfaceNumber", number(k, 16, 2))
                        .attribute("bInterfaceClass", "03")
                        .attribute("bInterfaceSubClass", "00")
                        .attribute("bInterfaceProtocol", "00")
                        .attribute("bAlternateSetting", " 0")
                        .attribute("bNumEndpoints", "01")
                        .text();
        m_record += Paragraph(hid)
                        .property("SUBSYSTEM", "hid")
                        .property("DRIVER", "hid-generic")
                        .property("HID_ID", QStringLiteral("%1:%2:%3")
                                                .arg(BusUsb, 4, 16, QLatin1Char('0'))
                                                .arg(config.vendorId, 8, 16, QLatin1Char('0'))
                                                .arg(config.productId, 8, 16, QLatin1Char('0'))
                                                .toUpper()
                                                .toLatin1())
                        .property("HID_NAME", node->name)
                        .property("HID_PHYS", node->phys)
                        .property("HID_UNIQ", node->uniq)
                        .binary("report_descriptor", descriptor)
                        .text();
        m_record += Paragraph(rawNode)
                        .property("SUBSYSTEM", "hidraw")
                        .property("DEVNAME", "/dev/" + hidraw)
                        .property("MAJOR", QByteArray::number(HidrawMajor))
                        .property("MINOR", QByteArray::number(minor))
                        // Not the kernel's: which simulated interface the node serves, for
                        // whoever drives the bench (the control FIFO takes its path).
                        .property("CORVANE_SIM_PATH", simPaths.at(k).toLatin1())
                        .attribute("dev", QByteArray::number(HidrawMajor) + ':' + QByteArray::number(minor))
                        .link("device", "../../../" + hidName)
                        // Contents make a plain file of the node: umockdev cannot make a
                        // terminal node again once one was removed, and reads are not used.
                        .node(hidraw, QByteArray(1, '\0'))
                        .text();

        // Removed children first: the hidraw node, the hid device, the interface.
        m_childFirst.prepend(interface);
        m_childFirst.prepend(hid);
        m_childFirst.prepend(rawNode);
    }
    m_childFirst.append(usbDevice);
    for (QString &path : m_childFirst)
        path.prepend(QLatin1String("/sys"));
}
