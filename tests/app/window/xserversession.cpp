// SPDX-License-Identifier: GPL-3.0-or-later
#include "xserversession.h"

#include <QElapsedTimer>
#include <QStandardPaths>
#include <QTest>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>

namespace {

constexpr int StartTimeoutMs = 30000;
constexpr quint32 IconicState = 3;

} // namespace

bool XServerSession::toolsPresent()
{
    for (const char *tool : {"Xvfb", "trayer", "xdotool"}) {
        if (QStandardPaths::findExecutable(QLatin1String(tool)).isEmpty())
            return false;
    }
    return true;
}

XServerSession::XServerSession()
{
    m_server.start(QStringLiteral("Xvfb"), {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                                            QStringLiteral("0"), QStringLiteral("1024x768x24"), QStringLiteral("-nolisten"),
                                            QStringLiteral("tcp")});
    if (!m_server.waitForStarted())
        return;
    QElapsedTimer clock;
    clock.start();
    while (!m_server.canReadLine() && clock.elapsed() < StartTimeoutMs)
        m_server.waitForReadyRead(100);
    m_display = QLatin1Char(':') + QString::fromLatin1(m_server.readLine()).trimmed();
    xcb_connection_t *connection = xcb_connect(m_display.toLatin1().constData(), nullptr);
    if (xcb_connection_has_error(connection)) {
        xcb_disconnect(connection);
        return;
    }
    m_connection = connection;
}

XServerSession::~XServerSession()
{
    stopTray();
    if (m_connection)
        xcb_disconnect(m_connection);
    m_server.terminate();
    m_server.waitForFinished();
}

bool XServerSession::startTray()
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), m_display);
    m_tray.setProcessEnvironment(environment);
    m_tray.start(QStringLiteral("trayer"), {QStringLiteral("--edge"), QStringLiteral("top"), QStringLiteral("--align"),
                                            QStringLiteral("right"), QStringLiteral("--widthtype"), QStringLiteral("request")});
    return m_tray.waitForStarted() && waitForTrayOwner(true);
}

// The server gives up the tray selection only once it has noticed that the
// host is gone; a program started before that would still find a tray.
void XServerSession::stopTray()
{
    if (m_tray.state() == QProcess::NotRunning)
        return;
    m_tray.terminate();
    m_tray.waitForFinished();
    waitForTrayOwner(false);
}

bool XServerSession::waitForTrayOwner(bool owned)
{
    const xcb_atom_t selection = atom("_NET_SYSTEM_TRAY_S0");
    QElapsedTimer clock;
    clock.start();
    do {
        xcb_get_selection_owner_reply_t *reply =
            xcb_get_selection_owner_reply(m_connection, xcb_get_selection_owner(m_connection, selection), nullptr);
        const bool hasOwner = reply && reply->owner != XCB_WINDOW_NONE;
        std::free(reply);
        if (hasOwner == owned)
            return true;
        QTest::qWait(50);
    } while (clock.elapsed() < StartTimeoutMs);
    return false;
}

QStringList XServerSession::visibleWindowsNamed(const QString &pattern) const
{
    return xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--name"), pattern});
}

QStringList XServerSession::visibleWindowsOfClass(const QString &pattern) const
{
    return xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--class"), pattern});
}

bool XServerSession::isViewable(const QString &window) const
{
    xcb_get_window_attributes_reply_t *reply = xcb_get_window_attributes_reply(
        m_connection, xcb_get_window_attributes(m_connection, window.toUInt()), nullptr);
    const bool viewable = reply && reply->map_state == XCB_MAP_STATE_VIEWABLE;
    std::free(reply);
    return viewable;
}

bool XServerSession::isTopLevel(const QString &window) const
{
    xcb_query_tree_reply_t *reply = xcb_query_tree_reply(m_connection, xcb_query_tree(m_connection, window.toUInt()), nullptr);
    const bool topLevel = reply && reply->parent == reply->root;
    std::free(reply);
    return topLevel;
}

void XServerSession::requestClose(const QString &window)
{
    xcb_client_message_event_t event;
    std::memset(&event, 0, sizeof event);
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = window.toUInt();
    event.type = atom("WM_PROTOCOLS");
    event.data.data32[0] = atom("WM_DELETE_WINDOW");
    event.data.data32[1] = XCB_CURRENT_TIME;
    xcb_send_event(m_connection, 0, event.window, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char *>(&event));
    xcb_flush(m_connection);
}

void XServerSession::markMinimised(const QString &window)
{
    const xcb_atom_t wmState = atom("WM_STATE");
    const quint32 state[] = {IconicState, XCB_WINDOW_NONE};
    xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, window.toUInt(), wmState, wmState, 32, 2, state);
    xcb_flush(m_connection);
}

void XServerSession::click(const QString &window) const
{
    const QStringList geometry = xdotool({QStringLiteral("getwindowgeometry"), QStringLiteral("--shell"), window});
    const auto value = [&geometry](const char *key) {
        for (const QString &line : geometry) {
            if (line.startsWith(QLatin1String(key) + QLatin1Char('=')))
                return line.section(QLatin1Char('='), 1).toInt();
        }
        return 0;
    };
    xdotool({QStringLiteral("mousemove"), QString::number(value("X") + value("WIDTH") / 2),
             QString::number(value("Y") + value("HEIGHT") / 2), QStringLiteral("click"), QStringLiteral("1")});
}

QStringList XServerSession::xdotool(const QStringList &arguments) const
{
    QProcess tool;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), m_display);
    tool.setProcessEnvironment(environment);
    tool.start(QStringLiteral("xdotool"), arguments);
    tool.waitForFinished();
    return QString::fromLatin1(tool.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

quint32 XServerSession::atom(const char *name)
{
    xcb_intern_atom_reply_t *reply = xcb_intern_atom_reply(
        m_connection, xcb_intern_atom(m_connection, 0, quint16(std::strlen(name)), name), nullptr);
    const xcb_atom_t result = reply ? reply->atom : XCB_ATOM_NONE;
    std::free(reply);
    return result;
}
