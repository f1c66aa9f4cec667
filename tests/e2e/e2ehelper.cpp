// SPDX-License-Identifier: GPL-3.0-or-later
// What the end-to-end scripts cannot do with xdotool alone: where the form's
// widgets lie in the window, the requests a window manager would make (there
// is none on the test's X server), exact times of windows being mapped, and
// the pixels a window shows, and the instance marker that a killed program
// leaves behind.
//
//   corvane-e2e-helper points <widget>...       "<name> <x> <y> <width> <height>" in window coordinates
//   corvane-e2e-helper wait-tray <ms>           exit 0 once a system tray runs on $DISPLAY
//   corvane-e2e-helper close <window id>        WM_DELETE_WINDOW, as a title bar's close button sends
//   corvane-e2e-helper wait-mapped <title> <ms> prints "ready", then the epoch time (s.µs) at which a
//                                               top-level window titled <title> is mapped
//   corvane-e2e-helper grab <window> <x> <y> <width> <height>
//                                               a checksum of the pixels of that part of the window
//   corvane-e2e-helper release-marker           removes the single-instance marker of a killed program
//                                               (the one that $TMPDIR selects)
#include "platform/instancemarker.h"
#include "ui_mainwindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMainWindow>
#include <QSharedMemory>

#include <xcb/xcb.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <functional>
#include <memory>
#include <poll.h>
#include <string>

namespace {

constexpr int UsageError = 2;
constexpr int Timeout = 1;

int usage()
{
    std::fputs("usage: corvane-e2e-helper points <widget>... | wait-tray <ms> | close <window> |"
               " wait-mapped <title> <ms> | grab <window> <x> <y> <width> <height> | release-marker\n",
               stderr);
    return UsageError;
}

// The form alone, laid out offscreen exactly as the program lays it out: its
// sizes come from pixel fonts and fixed widget sizes, not from the screen.
int points(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    QMainWindow window;
    Ui::MainWindow form;
    form.setupUi(&window);
    window.show();
    QCoreApplication::processEvents();
    int missing = 0;
    for (int i = 2; i < argc; ++i) {
        const auto *widget = window.findChild<QWidget *>(QString::fromLatin1(argv[i]));
        if (!widget) {
            std::fprintf(stderr, "no widget %s\n", argv[i]);
            ++missing;
            continue;
        }
        const QPoint origin = widget->mapTo(&window, QPoint(0, 0));
        std::printf("%s %d %d %d %d\n", argv[i], origin.x(), origin.y(), widget->width(), widget->height());
    }
    return missing == 0 ? 0 : 1;
}

struct XConnection
{
    xcb_connection_t *connection = xcb_connect(nullptr, nullptr);
    xcb_window_t root = XCB_WINDOW_NONE;

    XConnection()
    {
        if (!xcb_connection_has_error(connection))
            root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    }
    ~XConnection() { xcb_disconnect(connection); }
    bool isValid() const { return root != XCB_WINDOW_NONE; }

    xcb_atom_t atom(const char *name) const
    {
        std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> reply(
            xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 0, uint16_t(std::strlen(name)), name),
                                  nullptr),
            &std::free);
        return reply ? reply->atom : XCB_ATOM_NONE;
    }

    std::string title(xcb_window_t window) const
    {
        std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> reply(
            xcb_get_property_reply(connection,
                                   xcb_get_property(connection, 0, window, XCB_ATOM_WM_NAME, XCB_GET_PROPERTY_TYPE_ANY,
                                                    0, 256),
                                   nullptr),
            &std::free);
        if (!reply)
            return {};
        return std::string(static_cast<const char *>(xcb_get_property_value(reply.get())),
                           size_t(xcb_get_property_value_length(reply.get())));
    }

    /// Hands each event to @p handle until it returns true or @p timeoutMs have passed.
    bool waitFor(int timeoutMs, const std::function<bool(const xcb_generic_event_t &)> &handle) const
    {
        QElapsedTimer clock;
        clock.start();
        pollfd watched{xcb_get_file_descriptor(connection), POLLIN, 0};
        while (clock.elapsed() < timeoutMs) {
            while (xcb_generic_event_t *event = xcb_poll_for_event(connection)) {
                const bool done = handle(*event);
                std::free(event);
                if (done)
                    return true;
            }
            if (xcb_connection_has_error(connection))
                return false;
            ::poll(&watched, 1, int(timeoutMs - clock.elapsed()));
        }
        return false;
    }
};

bool trayRuns(const XConnection &x)
{
    std::unique_ptr<xcb_get_selection_owner_reply_t, decltype(&std::free)> reply(
        xcb_get_selection_owner_reply(x.connection, xcb_get_selection_owner(x.connection, x.atom("_NET_SYSTEM_TRAY_S0")),
                                      nullptr),
        &std::free);
    return reply && reply->owner != XCB_WINDOW_NONE;
}

int waitTray(const XConnection &x, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (!trayRuns(x)) {
        if (clock.elapsed() > timeoutMs)
            return Timeout;
        ::poll(nullptr, 0, 50);
    }
    return 0;
}

// Checked, so that the server has taken the event before the helper hangs up:
// requests still unread when a client disconnects may be dropped.
int close(const XConnection &x, xcb_window_t window)
{
    xcb_client_message_event_t event;
    std::memset(&event, 0, sizeof event);
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = window;
    event.type = x.atom("WM_PROTOCOLS");
    event.data.data32[0] = x.atom("WM_DELETE_WINDOW");
    event.data.data32[1] = XCB_CURRENT_TIME;
    std::unique_ptr<xcb_generic_error_t, decltype(&std::free)> error(
        xcb_request_check(x.connection, xcb_send_event_checked(x.connection, 0, window, XCB_EVENT_MASK_NO_EVENT,
                                                               reinterpret_cast<const char *>(&event))),
        &std::free);
    if (error)
        std::fprintf(stderr, "cannot send to window %u: X error %d\n", window, int(error->error_code));
    return error ? 1 : 0;
}

int waitMapped(const XConnection &x, const std::string &title, int timeoutMs)
{
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_request_check(x.connection, xcb_change_window_attributes_checked(x.connection, x.root, XCB_CW_EVENT_MASK, &mask));
    std::puts("ready");
    std::fflush(stdout);
    timespec mapped{};
    const bool found = x.waitFor(timeoutMs, [&](const xcb_generic_event_t &event) {
        if ((event.response_type & 0x7f) != XCB_MAP_NOTIFY)
            return false;
        clock_gettime(CLOCK_REALTIME, &mapped);
        return x.title(reinterpret_cast<const xcb_map_notify_event_t &>(event).window) == title;
    });
    if (!found)
        return Timeout;
    std::printf("%lld.%06ld\n", static_cast<long long>(mapped.tv_sec), mapped.tv_nsec / 1000);
    return 0;
}

// FNV-1a over the colour bytes: what a label shows compares without a reference image.
int grab(const XConnection &x, xcb_window_t window, int left, int top, int width, int height)
{
    std::unique_ptr<xcb_get_image_reply_t, decltype(&std::free)> reply(
        xcb_get_image_reply(x.connection,
                            xcb_get_image(x.connection, XCB_IMAGE_FORMAT_Z_PIXMAP, window, int16_t(left),
                                          int16_t(top), uint16_t(width), uint16_t(height), ~0u),
                            nullptr),
        &std::free);
    if (!reply) {
        std::fprintf(stderr, "cannot read the pixels of window %u\n", window);
        return 1;
    }
    const uint8_t *data = xcb_get_image_data(reply.get());
    const int length = xcb_get_image_data_length(reply.get());
    // At 32 bits a pixel, the fourth byte of a depth-24 pixel carries nothing.
    const bool padded = reply->depth == 24 && length == width * height * 4;
    uint64_t hash = 14695981039346656037ull;
    for (int i = 0; i < length; ++i) {
        if (padded && i % 4 == 3)
            continue;
        hash = (hash ^ data[i]) * 1099511628211ull;
    }
    std::printf("%016llx\n", static_cast<unsigned long long>(hash));
    return 0;
}

// A killed program does not detach from the segment; attaching and
// detaching removes it.
int releaseMarker()
{
    const auto stale = InstanceMarker::make();
    if (stale->attach())
        stale->detach();
    return 0;
}

int xCommand(const std::string &command, int argc, char **argv)
{
    const XConnection x;
    if (!x.isValid()) {
        std::fputs("cannot connect to the X server in $DISPLAY\n", stderr);
        return 1;
    }
    if (command == "wait-tray" && argc == 3)
        return waitTray(x, std::atoi(argv[2]));
    if (command == "close" && argc == 3)
        return close(x, xcb_window_t(std::strtoul(argv[2], nullptr, 0)));
    if (command == "wait-mapped" && argc == 4)
        return waitMapped(x, argv[2], std::atoi(argv[3]));
    if (command == "grab" && argc == 7)
        return grab(x, xcb_window_t(std::strtoul(argv[2], nullptr, 0)), std::atoi(argv[3]), std::atoi(argv[4]),
                    std::atoi(argv[5]), std::atoi(argv[6]));
    return usage();
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 2)
        return usage();
    const std::string command = argv[1];
    if (command == "points")
        return points(argc, argv);
    if (command == "release-marker")
        return argc == 2 ? releaseMarker() : usage();
    return xCommand(command, argc, argv);
}
