// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "corvanesim.h"
#include "mainwindow.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QVector>

#include <memory>

/**
 * The real MainWindow against the simulated plug-in, offscreen: the build's
 * sim/generic folder is on the library paths, and the suite links the same
 * simulator library the plug-in does, so both see one bus.
 */
class PanelTestKit final
{
public:
    /// One v2000 fan command as it went over the wire.
    struct FanCommand
    {
        int fan = 0;
        int duty = 0;
        qint64 ms = 0;
    };

    /// Settings, XDG folders and the plug-in path; call once, from initTestCase().
    PanelTestKit();

    bool isValid() const { return m_home.isValid(); }

    /**
     * Empties the bus, plugs @p controller (as in CORVANE_SIM_DEVICES), makes
     * the window and waits until it has opened the controller. Null when the
     * controller cannot be plugged or is not opened in time.
     */
    std::unique_ptr<MainWindow> openWindow(const QString &controller, bool boost = false);
    /// A further window onto what the bus holds, once it has opened a controller; null otherwise.
    static std::unique_ptr<MainWindow> openAnotherWindow();
    /// The window alone, with whatever the bus holds.
    static std::unique_ptr<MainWindow> makeWindow();

    static CorvaneSim::Bus &bus() { return CorvaneSim::Bus::instance(); }
    /// The reports sent since the log was last cleared, as 130 hex digits each.
    static QStringList sentReports();
    /// The v2000 fan commands among them, oldest first.
    static QVector<FanCommand> fanCommands();
    /**
     * What is wrong with the layout of @p window as it shows now, one line a
     * fault: a widget that sticks out of its parent, or two sibling widgets
     * that intersect. Empty when every widget on screen lies whole and apart.
     */
    static QStringList layoutFaults(QWidget &window);
    /// @p hex followed by zeros up to the 65 bytes of a report, as hex digits.
    static QString report(const QString &hex);

private:
    QTemporaryDir m_home;
};

/// Collects the window's debug lines ("control_fans(%d,%d)", "ignored!") while it lives.
class WindowDebugLines final
{
public:
    WindowDebugLines();
    ~WindowDebugLines();

    QStringList lines() const;
    void clear();
};

template <typename T>
T *panelWidget(MainWindow &window, const char *name)
{
    return window.findChild<T *>(QLatin1String(name));
}
