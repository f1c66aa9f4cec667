// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

struct xcb_connection_t;

/**
 * An X server of the test's own (Xvfb), with or without a system tray host
 * (trayer), and the requests a window manager would otherwise make of the
 * program's windows: there is no window manager here.
 */
class XServerSession final
{
public:
    /// Whether Xvfb, trayer and xdotool are installed.
    static bool toolsPresent();

    /// Starts Xvfb; check isValid().
    XServerSession();
    ~XServerSession();
    XServerSession(const XServerSession &) = delete;
    XServerSession &operator=(const XServerSession &) = delete;

    bool isValid() const { return m_connection != nullptr; }
    /// ":<n>", for DISPLAY.
    QString display() const { return m_display; }

    /// Starts the tray host and waits until it owns the system tray selection.
    bool startTray();
    void stopTray();

    /**
     * Mapped windows whose title (WM_NAME) matches @p pattern. A search can
     * miss windows while others come and go (xdotool gives up on a window
     * that vanishes under it): look a window up once, then follow it with
     * isViewable().
     */
    QStringList visibleWindowsNamed(const QString &pattern) const;
    /// Mapped windows whose class (WM_CLASS) matches @p pattern.
    QStringList visibleWindowsOfClass(const QString &pattern) const;

    /// Whether @p window exists and is mapped on screen.
    bool isViewable(const QString &window) const;
    /// Whether @p window is a child of the root window; a docked tray icon is not.
    bool isTopLevel(const QString &window) const;

    /// Asks the window to close, as a window manager's close button does (WM_DELETE_WINDOW).
    void requestClose(const QString &window);
    /// Marks the window iconified, as a window manager does when it minimises it (WM_STATE).
    void markMinimised(const QString &window);
    /// A left click in the middle of the window.
    void click(const QString &window) const;

private:
    QStringList xdotool(const QStringList &arguments) const;
    bool waitForTrayOwner(bool owned);
    quint32 atom(const char *name);

    QProcess m_server;
    QProcess m_tray;
    QString m_display;
    xcb_connection_t *m_connection = nullptr;
};
