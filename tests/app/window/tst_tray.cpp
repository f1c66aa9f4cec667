// SPDX-License-Identifier: GPL-3.0-or-later
// The real program (the simulated build) on an X server of its own, with
// trayer as the system tray or without any: hiding to the tray, coming back,
// and without a tray to come back from, the plain window behaviour or, as
// the user answered, cooling on in the background.
#include "programlauncher.h"
#include "xserversession.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTest>

#include <functional>
#include <memory>

namespace {

constexpr int TimeoutMs = 30000;
constexpr int LaterInstanceExitCode = 255;   // -1 as the parent sees it
// The window looks for a show request once a second; this leaves room for a busy machine.
constexpr int ShowRequestBoundMs = 5000;

const QString Program = QStringLiteral(CORVANE_SIM_PROGRAM);
const QString MainWindowTitle = QStringLiteral("^Corvantis$");
const QString ProgramClass = QStringLiteral("^corvane-control$");

enum class WayOut { Close, Minimise };
enum class WayBack { TrayClick, SecondLaunch };

} // namespace

Q_DECLARE_METATYPE(WayOut)
Q_DECLARE_METATYPE(WayBack)

class TrayTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();

    void hidesToTheTray_data();
    void hidesToTheTray();
    void hiddenWindowComesBack_data();
    void hiddenWindowComesBack();
    void withoutTrayActsAsAnyWindow_data();
    void withoutTrayActsAsAnyWindow();

private:
    /**
     * Starts the program and looks up its main window and, with a tray, its
     * docked icon. Returns once the splash screen has gone: only then does
     * the program's event loop run, and a close request is not lost.
     */
    bool startProgram(bool withTray);
    /// The program's mapped windows besides the main window, at the top level or docked.
    QStringList otherWindows(bool topLevel) const;
    /// The one window that @p search finds and that is on screen, waiting for it; empty if none comes.
    QString waitForOne(const std::function<QStringList()> &search) const;
    bool mainWindowShown() const { return m_x->isViewable(m_mainWindow); }
    void leave(WayOut way);
    QVariant savedChangeBoost() const;
    void answerKeepCooling(bool keep);

    ProgramLauncher m_launcher;
    std::unique_ptr<XServerSession> m_x;
    std::unique_ptr<QProcess> m_program;
    QString m_mainWindow;
    QString m_trayIcon;
};

void TrayTest::initTestCase()
{
    if (!XServerSession::toolsPresent())
        QSKIP("needs Xvfb, trayer and xdotool");
    QVERIFY(m_launcher.isValid());
    QVERIFY2(QFile::exists(Program), qPrintable(Program));
    m_launcher.isolate();
    m_x = std::make_unique<XServerSession>();
    QVERIFY(m_x->isValid());
}

void TrayTest::cleanup()
{
    if (m_program) {
        m_program->kill();
        m_program->waitForFinished();
        m_program.reset();
    }
    m_x->stopTray();
    ProgramLauncher::removeStaleMarker();
    QFile::remove(m_launcher.path(QStringLiteral("config/Corvane/CorvaneController1.conf")));
}

bool TrayTest::startProgram(bool withTray)
{
    QProcessEnvironment environment;
    environment.insert(QStringLiteral("DISPLAY"), m_x->display());
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    // A session bus could offer a tray of its own; only trayer's counts here.
    environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QStringLiteral("unix:path=/nonexistent"));
    m_program = m_launcher.start(Program, environment);
    m_mainWindow = waitForOne([this] { return m_x->visibleWindowsNamed(MainWindowTitle); });
    if (m_mainWindow.isEmpty() || !QTest::qWaitFor([this] { return otherWindows(true).isEmpty(); }, TimeoutMs))
        return false;
    if (withTray)
        m_trayIcon = waitForOne([this] { return otherWindows(false); });
    return !withTray || !m_trayIcon.isEmpty();
}

// The splash screen and the tray icon share the program's class.
QStringList TrayTest::otherWindows(bool topLevel) const
{
    QStringList windows;
    for (const QString &window : m_x->visibleWindowsOfClass(ProgramClass)) {
        if (window != m_mainWindow && m_x->isTopLevel(window) == topLevel)
            windows.append(window);
    }
    return windows;
}

QString TrayTest::waitForOne(const std::function<QStringList()> &search) const
{
    QElapsedTimer clock;
    clock.start();
    do {
        const QStringList found = search();
        if (found.size() == 1 && m_x->isViewable(found.constFirst()))
            return found.constFirst();
        QTest::qWait(50);
    } while (clock.elapsed() < TimeoutMs);
    return QString();
}

void TrayTest::leave(WayOut way)
{
    if (way == WayOut::Close)
        m_x->requestClose(m_mainWindow);
    else
        m_x->markMinimised(m_mainWindow);
}

QVariant TrayTest::savedChangeBoost() const
{
    QSettings settings(m_launcher.path(QStringLiteral("config/Corvane/CorvaneController1.conf")), QSettings::IniFormat);
    return settings.value(QStringLiteral("change_boost"));
}

// What the user answered when closing without a tray the first time.
void TrayTest::answerKeepCooling(bool keep)
{
    QSettings settings(m_launcher.path(QStringLiteral("config/Corvane/CorvaneController1.conf")), QSettings::IniFormat);
    settings.setValue(QStringLiteral("cooling/keep_running_on_close"), keep);
}

void TrayTest::hidesToTheTray_data()
{
    QTest::addColumn<WayOut>("way");
    QTest::newRow("close") << WayOut::Close;
    QTest::newRow("minimise") << WayOut::Minimise;
}

void TrayTest::hidesToTheTray()
{
    QFETCH(WayOut, way);
    QVERIFY(m_x->startTray());
    QVERIFY2(startProgram(true), "no main window, or the tray icon did not dock");
    QVERIFY(!savedChangeBoost().isValid());

    leave(way);
    QTRY_VERIFY_WITH_TIMEOUT(!mainWindowShown(), TimeoutMs);
    QTest::qWait(300);
    QCOMPARE(m_program->state(), QProcess::Running);
    QVERIFY(m_x->isViewable(m_trayIcon));
    QCOMPARE(savedChangeBoost(), QVariant(QStringLiteral("true")));
}

void TrayTest::hiddenWindowComesBack_data()
{
    QTest::addColumn<WayBack>("way");
    QTest::newRow("tray click") << WayBack::TrayClick;
    QTest::newRow("second launch") << WayBack::SecondLaunch;
}

void TrayTest::hiddenWindowComesBack()
{
    QFETCH(WayBack, way);
    QVERIFY(m_x->startTray());
    QVERIFY2(startProgram(true), "no main window, or the tray icon did not dock");
    leave(WayOut::Close);
    QTRY_VERIFY_WITH_TIMEOUT(!mainWindowShown(), TimeoutMs);

    QElapsedTimer clock;
    clock.start();
    if (way == WayBack::TrayClick) {
        m_x->click(m_trayIcon);
    } else {
        const auto later = m_launcher.start(Program);
        QVERIFY(later->waitForFinished(TimeoutMs));
        QCOMPARE(later->exitCode(), LaterInstanceExitCode);
    }
    QTRY_VERIFY_WITH_TIMEOUT(mainWindowShown(), TimeoutMs);
    QVERIFY2(clock.elapsed() < ShowRequestBoundMs, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(m_program->state(), QProcess::Running);
}

void TrayTest::withoutTrayActsAsAnyWindow_data()
{
    QTest::addColumn<WayOut>("way");
    QTest::addColumn<bool>("keepCooling");
    QTest::newRow("close quits") << WayOut::Close << false;
    QTest::newRow("close keeps cooling, a second launch shows") << WayOut::Close << true;
    QTest::newRow("minimise keeps the window") << WayOut::Minimise << false;
}

// Hiding with no tray would leave no way back and no Exit, unless the user
// chose to keep the cooling running: a second launch brings the window back.
void TrayTest::withoutTrayActsAsAnyWindow()
{
    QFETCH(WayOut, way);
    QFETCH(bool, keepCooling);
    answerKeepCooling(keepCooling);
    QVERIFY2(startProgram(false), "no main window");
    leave(way);
    if (way == WayOut::Close && !keepCooling) {
        QVERIFY(m_program->waitForFinished(TimeoutMs));
        QCOMPARE(m_program->exitStatus(), QProcess::NormalExit);
        QCOMPARE(m_program->exitCode(), 0);
        QCOMPARE(savedChangeBoost(), QVariant(QStringLiteral("true")));
    } else if (way == WayOut::Close) {
        QTRY_VERIFY_WITH_TIMEOUT(!mainWindowShown(), TimeoutMs);
        QCOMPARE(m_program->state(), QProcess::Running);
        const auto later = m_launcher.start(Program);
        QVERIFY(later->waitForFinished(TimeoutMs));
        QTRY_VERIFY_WITH_TIMEOUT(mainWindowShown(), TimeoutMs);
    } else {
        QTest::qWait(1500);
        QCOMPARE(m_program->state(), QProcess::Running);
        QVERIFY(mainWindowShown());
    }
}

QTEST_GUILESS_MAIN(TrayTest)
#include "tst_tray.moc"
