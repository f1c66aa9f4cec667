// SPDX-License-Identifier: GPL-3.0-or-later
#ifdef CORVANE_WITH_DBUS
#include "controlbus.h"
#endif
#include "mainwindow.h"
#include "platform/instancemarker.h"
#include "platform/programenvironment.h"
#include "platform/terminationsignals.h"
#include "splashimage.h"
#include "uitranslation.h"
#include "usersettings.h"

#include <QApplication>
#ifdef CORVANE_WITH_DBUS
#include <QDBusConnection>
#include <QDBusMessage>
#endif
#include <QSharedPointer>
#include <QSplashScreen>
#include <QThread>
#include <QTranslator>

#include <array>
#include <future>
#include <memory>

namespace {

// How long splash pictures 0 and 1 stay up; the last one stays until the
// window is on screen.
constexpr std::array<unsigned long, 2> SplashPauseMs = {1000, 500};

// Suites start the simulated build dozens of times; they may skip the pauses.
// The shipped build always pauses.
void splashPause(std::size_t index)
{
#ifdef CORVANE_SIMULATED_BUILD
    if (qEnvironmentVariableIsSet("CORVANE_SIM_SKIP_SPLASH_PAUSES"))
        return;
#endif
    QThread::msleep(SplashPauseMs[index]);
}

// The instance marker holds the show request, which the first instance takes
// within a second while it is hidden; over the session bus the window comes
// forward at once, also when it is only behind others. Without the bus, or
// when the first instance is not on it yet, the marker alone does it, as it
// always does in a build without D-Bus (Windows).
void askFirstInstanceToShow()
{
#ifdef CORVANE_WITH_DBUS
    constexpr int ReplyTimeoutMs = 1000;
    const QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    bus.call(QDBusMessage::createMethodCall(QLatin1String(ControlBus::Service), QLatin1String(ControlBus::ObjectPath),
                                            QLatin1String(ControlBus::Interface), QStringLiteral("ShowWindow")),
             QDBus::Block, ReplyTimeoutMs);
#endif
}

void showSplashPicture(QSplashScreen &splash, const QPixmap &picture, int index)
{
    splash.setPixmap(picture);
    if (index == 0)
        splash.show();
    QCoreApplication::processEvents();
}

std::array<QImage, SplashImage::Count - 1> laterSplashPictures()
{
    std::array<QImage, SplashImage::Count - 1> pictures;
    for (int index = 1; index < SplashImage::Count; ++index)
        pictures[index - 1] = SplashImage::image(index);
    return pictures;
}

// "--background": no splash, and the window stays hidden from the start (for
// the log-in entry or a systemd user unit); a second launch or
// "corvane-ctl show" brings it up.
bool startsInBackground()
{
    return QCoreApplication::arguments().contains(QStringLiteral("--background"));
}

// The pauses block the GUI thread on purpose: the splash is painted when its
// picture is set and by the explicit event processing, nothing else runs yet.
// The later pictures are chosen and decoded on a worker thread during the
// first pause, so that their decoding does not come on top of the pauses.
QSharedPointer<QSplashScreen> showSplash()
{
    auto splash = QSharedPointer<QSplashScreen>::create(QPixmap());
    showSplashPicture(*splash, SplashImage::pixmap(0), 0);
    auto later = std::async(std::launch::async, laterSplashPictures);
    splashPause(0);
    auto pictures = later.get();
    for (int index = 1; index < SplashImage::Count; ++index) {
        showSplashPicture(*splash, QPixmap::fromImage(std::move(pictures[index - 1])), index);
        if (index < int(SplashPauseMs.size()))
            splashPause(std::size_t(index));
    }
    return splash;
}

int runFirstInstance(const QSharedPointer<QSharedMemory> &marker, TerminationSignals &termination)
{
    QSharedPointer<QSplashScreen> splash = startsInBackground() ? nullptr : showSplash();
    auto window = std::make_unique<MainWindow>(marker, nullptr);
    if (splash) {
        window->show();
        splash->finish(window.get());
        splash.reset();
    }
    // A close that came while the splash was finishing, and that ends the
    // program, happened before the loop could take the quit.
    if (window->wasClosed())
        return 0;
    // A signal caught since start-up is acted on as soon as the loop runs.
    termination.watch();
    const int result = QApplication::exec();
    window.reset();
    return result;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication::setAttribute(Qt::AA_EnableHighDpiScaling, true);
    ProgramEnvironment::setBeforeApplication();
    // Qt's fallback session management asks every visible window to close
    // when the session is saved and cancels the logout if one refuses, and
    // closing this window only hides it to the tray. Nothing needs saving at
    // that point (the one setting the program writes is stored whenever the
    // window hides and when the program quits), and a session that really
    // ends stops the program as Exit does, by the session manager's last
    // message or by signal.
    QGuiApplication::setFallbackSessionManagementEnabled(false);
    // Destroyed in reverse order: settings, marker, translator, signal
    // watcher, application.
    QApplication application(argc, argv);
    // Caught before the marker is claimed, so that no signal can leave it behind.
    TerminationSignals termination;
    QObject::connect(&termination, &TerminationSignals::arrived, &application, &QCoreApplication::quit);
    QTranslator translator;
    const QSharedPointer<QSharedMemory> marker = InstanceMarker::make();
    const bool firstInstance = InstanceMarker::claim(*marker);
    const std::unique_ptr<QSettings> settings = UserSettings::open();
    if (UiTranslation::load(translator, *settings))
        QApplication::installTranslator(&translator);

    if (!firstInstance) {
        askFirstInstanceToShow();
        return -1;
    }
    return runFirstInstance(marker, termination);
}
