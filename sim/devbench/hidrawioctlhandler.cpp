// SPDX-License-Identifier: GPL-3.0-or-later
#include "hidrawioctlhandler.h"

#include "devbenchlogging.h"
#include "umockdevapi.h"

#include <hidapi/hidapi.h>

#include <linux/hidraw.h>
#include <sys/ioctl.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <cwchar>

namespace {

// Set on each client when it connects: the node it opened, for as long as it lives.
const char *const BindingKey = "corvane-devbench-node";
// The kernel's HID_MAX_BUFFER_SIZE: no report buffer may be longer.
constexpr int MaxBufferSize = 16384;
// Exchanges that may wait at once, silent controllers included.
constexpr int MaxExchanges = 32;
// The simulated bus takes and gives whole reports: 64 bytes and the id.
constexpr size_t BusReportSize = 65;

void dropBinding(void *binding)
{
    delete static_cast<std::shared_ptr<HidrawNode> *>(binding);
}

std::shared_ptr<HidrawNode> boundNode(UMockdevIoctlClient *client)
{
    const auto *binding = static_cast<std::shared_ptr<HidrawNode> *>(g_object_get_data(G_OBJECT(client), BindingKey));
    return binding ? *binding : nullptr;
}

// Why the simulated bus refused an exchange, as the kernel would say it.
int errnoOf(const wchar_t *why)
{
    if (!why)
        return EIO;
    if (std::wcscmp(why, L"the device does not answer") == 0)
        return ETIMEDOUT;
    if (std::wcscmp(why, L"the device was unplugged") == 0)
        return ENODEV;
    // A USB device stalls a request it has no answer for.
    if (std::wcscmp(why, L"this interface does not answer feature reports") == 0
        || std::wcscmp(why, L"the controller stalls on an unknown report id") == 0)
        return EPIPE;
    return EIO;
}

// The client's memory at the ioctl's argument, @p length bytes; nullptr when unreadable.
UMockdevIoctlData *resolveArgument(UMockdevIoctlClient *client, size_t length)
{
    GError *error = nullptr;
    UMockdevIoctlData *data =
        umockdev_ioctl_data_resolve(umockdev_ioctl_client_get_arg(client), 0, length, &error);
    if (error) {
        qCWarning(lcDevBench, "cannot reach the ioctl's buffer: %s", error->message);
        g_error_free(error);
    }
    return data;
}

// One feature report exchange on its way to the bus and back.
struct Exchange
{
    UMockdevIoctlClient *client = nullptr;
    UMockdevIoctlData *data = nullptr;
    GMainContext *context = nullptr;
    QByteArray simPath;
    bool get = false;
    unsigned char report[BusReportSize] = {};
    long result = -1;
    int error = 0;

    ~Exchange()
    {
        g_object_unref(data);
        g_object_unref(client);
        g_main_context_unref(context);
    }

    // On a pool thread: may wait as long as a silent controller makes it.
    void run()
    {
        hid_device *device = hid_open_path(simPath.constData());
        if (!device) {
            error = ENODEV;
            return;
        }
        const int done = get ? hid_get_feature_report(device, report, sizeof report)
                             : hid_send_feature_report(device, report, sizeof report);
        if (done < 0)
            error = errnoOf(hid_error(device));
        else
            result = done;
        hid_close(device);
    }

    // On the testbed's worker thread, which owns the client.
    static gboolean complete(gpointer self)
    {
        auto *exchange = static_cast<Exchange *>(self);
        if (exchange->get && exchange->result > 0)
            std::memcpy(exchange->data->data, exchange->report, sizeof exchange->report);
        umockdev_ioctl_client_complete(exchange->client, exchange->result, exchange->error);
        delete exchange;
        return G_SOURCE_REMOVE;
    }
};

void completeWith(UMockdevIoctlClient *client, long result, int error = 0)
{
    umockdev_ioctl_client_complete(client, result, error);
}

// Copies @p length bytes of @p bytes to the client's buffer and completes the
// ioctl with @p result.
void answer(UMockdevIoctlClient *client, const void *bytes, size_t length, long result)
{
    UMockdevIoctlData *data = resolveArgument(client, length);
    if (!data) {
        completeWith(client, -1, EFAULT);
        return;
    }
    std::memcpy(data->data, bytes, length);
    completeWith(client, result);
    g_object_unref(data);
}

// HIDIOCGRAWNAME, -PHYS and -UNIQ: the text and its terminating zero, cut to
// the buffer; the result is the count copied.
void answerText(UMockdevIoctlClient *client, const QByteArray &text, size_t bufferSize)
{
    const size_t length = std::min(size_t(text.size()) + 1, bufferSize);
    if (length == 0)
        completeWith(client, 0);
    else
        answer(client, text.constData(), length, long(length));
}

} // namespace

HidrawIoctlHandler::HidrawIoctlHandler(NodeLookup lookup)
    : m_lookup(std::move(lookup))
    , m_base(umockdev_ioctl_base_new())
{
    m_exchanges.setMaxThreadCount(MaxExchanges);
    g_signal_connect(m_base, "client-connected", G_CALLBACK(&HidrawIoctlHandler::clientConnected), this);
    g_signal_connect(m_base, "handle-ioctl", G_CALLBACK(&HidrawIoctlHandler::handleIoctl), this);
}

HidrawIoctlHandler::~HidrawIoctlHandler()
{
    finish();
    g_signal_handlers_disconnect_by_data(m_base, this);
    g_object_unref(m_base);
}

void HidrawIoctlHandler::finish()
{
    m_exchanges.waitForDone();
}

void HidrawIoctlHandler::clientConnected(UMockdevIoctlBase *, UMockdevIoctlClient *client, void *self)
{
    const QString devnode = QString::fromLocal8Bit(umockdev_ioctl_client_get_devnode(client));
    if (std::shared_ptr<HidrawNode> node = static_cast<HidrawIoctlHandler *>(self)->m_lookup(devnode)) {
        qCDebug(lcDevBench, "%s opened (%s)", qPrintable(devnode), qPrintable(node->simPath));
        g_object_set_data_full(G_OBJECT(client), BindingKey, new std::shared_ptr<HidrawNode>(node), dropBinding);
    }
}

int HidrawIoctlHandler::handleIoctl(UMockdevIoctlBase *, UMockdevIoctlClient *client, void *self)
{
    return static_cast<HidrawIoctlHandler *>(self)->handle(client);
}

bool HidrawIoctlHandler::handle(UMockdevIoctlClient *client)
{
    const unsigned long request = umockdev_ioctl_client_get_request(client);
    const size_t size = _IOC_SIZE(request);
    if (_IOC_TYPE(request) != 'H') {
        completeWith(client, -1, ENOTTY);
        return true;
    }
    const std::shared_ptr<HidrawNode> node = boundNode(client);
    if (!node || !node->present) {
        completeWith(client, -1, ENODEV);
        return true;
    }

    if (request == HIDIOCGRDESCSIZE) {
        const int descriptorSize = node->reportDescriptor.size();
        answer(client, &descriptorSize, sizeof descriptorSize, 0);
        return true;
    }
    if (request == HIDIOCGRDESC) {
        // The caller says in the size field how much of the descriptor it wants.
        UMockdevIoctlData *data = resolveArgument(client, sizeof(hidraw_report_descriptor));
        if (!data) {
            completeWith(client, -1, EFAULT);
            return true;
        }
        auto *descriptor = reinterpret_cast<hidraw_report_descriptor *>(data->data);
        if (descriptor->size > HID_MAX_DESCRIPTOR_SIZE - 1) {
            completeWith(client, -1, EINVAL);
        } else {
            const size_t length = std::min(size_t(descriptor->size), size_t(node->reportDescriptor.size()));
            std::memcpy(descriptor->value, node->reportDescriptor.constData(), length);
            completeWith(client, 0);
        }
        g_object_unref(data);
        return true;
    }
    if (request == HIDIOCGRAWINFO) {
        hidraw_devinfo info {};
        info.bustype = 0x03;   // BUS_USB
        info.vendor = __s16(node->vendorId);
        info.product = __s16(node->productId);
        answer(client, &info, sizeof info, 0);
        return true;
    }
    if (request == HIDIOCGRAWNAME(size)) {
        answerText(client, node->name, size);
        return true;
    }
    if (request == HIDIOCGRAWPHYS(size)) {
        answerText(client, node->phys, size);
        return true;
    }
    if (request == HIDIOCGRAWUNIQ(size)) {
        answerText(client, node->uniq, size);
        return true;
    }

    const bool get = request == HIDIOCGFEATURE(size);
    if (!get && request != HIDIOCSFEATURE(size)) {
        completeWith(client, -1, ENOTTY);
        return true;
    }
    // A get may offer more room than the report takes, as hidapi allows; a
    // send must be the report exactly.
    const size_t reportSize = size_t(node->featureReportSize);
    if (size > size_t(MaxBufferSize) || size < reportSize || (!get && size != reportSize)) {
        completeWith(client, -1, EINVAL);
        return true;
    }
    UMockdevIoctlData *data = resolveArgument(client, size);
    if (!data) {
        completeWith(client, -1, EFAULT);
        return true;
    }
    if (!node->featureReports.test(data->data[0])) {
        completeWith(client, -1, EPIPE);
        g_object_unref(data);
        return true;
    }
    auto *exchange = new Exchange;
    exchange->client = static_cast<UMockdevIoctlClient *>(g_object_ref(client));
    exchange->data = data;
    exchange->context = g_main_context_ref_thread_default();
    exchange->simPath = node->simPath.toLatin1();
    exchange->get = get;
    std::memcpy(exchange->report, data->data, sizeof exchange->report);
    m_exchanges.start([exchange] {
        exchange->run();
        g_main_context_invoke_full(exchange->context, G_PRIORITY_DEFAULT, &Exchange::complete, exchange, nullptr);
    });
    return true;
}
