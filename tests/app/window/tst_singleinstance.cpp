// SPDX-License-Identifier: GPL-3.0-or-later
// Real processes of the built program (the simulated build) and the instance
// marker they share.
#include "platform/instancemarker.h"
#include "platform/markerlock.h"
#include "programlauncher.h"

#include <QElapsedTimer>
#include <QSettings>
#include <QSharedMemory>
#include <QTest>

#include <optional>
#include <vector>

#ifndef Q_OS_WIN
#include <csignal>
#include <pwd.h>
#include <sys/ipc.h>
#include <sys/sem.h>
#include <sys/shm.h>
#include <unistd.h>
#endif

namespace {

constexpr int StartTimeoutMs = 30000;
// A later instance returns -1 from main(): a Linux parent sees its low byte.
#ifdef Q_OS_WIN
constexpr int LaterInstanceExitCode = -1;
#else
constexpr int LaterInstanceExitCode = 255;
#endif

const QString Program = QStringLiteral(CORVANE_SIM_PROGRAM);

QByteArray markerOf(char presence, char request)
{
    QByteArray bytes(InstanceMarker::Size, '\0');
    bytes[0] = presence;
    bytes[1] = request;
    return bytes;
}

// On Linux a quit by signal leaves nothing behind, and killing stays the way
// out of a hung one. On Windows terminate() closes the window, which only
// hides it to the tray, and the marker goes with a killed process anyway.
void stop(QProcess &process)
{
#ifndef Q_OS_WIN
    process.terminate();
    if (process.waitForFinished(StartTimeoutMs))
        return;
#endif
    process.kill();
    process.waitForFinished();
}

QProcessEnvironment exchangeLog(const QString &path)
{
    QProcessEnvironment environment;
    environment.insert(QStringLiteral("CORVANE_SIM_LOG"), path);
    return environment;
}

// Only a first instance gets as far as its event loop and reads the controller.
bool waitForExchange(const QString &log)
{
    return QTest::qWaitFor([&log] {
        QFile file(log);
        return file.open(QIODevice::ReadOnly) && file.readAll().contains(" get ");
    }, StartTimeoutMs);
}

} // namespace

class SingleInstanceTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void laterLaunchesLeaveOneShowRequest();
    void segmentWithoutPresenceMarkIsLeftAlone_data();
    void segmentWithoutPresenceMarkIsLeftAlone();
    void killedFirstInstanceDoesNotLockOut();
#ifndef Q_OS_WIN
    void foreignObjectsUnderTheKeyAreIgnored_data();
    void foreignObjectsUnderTheKeyAreIgnored();
    void eachUserRunsAnInstance();
    void signalQuitsAsExitDoes_data();
    void signalQuitsAsExitDoes();
#endif

private:
    /// The marker's bytes as another process sees them; nothing when there is no segment.
    static std::optional<QByteArray> readMarker();
    std::unique_ptr<QProcess> startFirstInstance(const QProcessEnvironment &extra = QProcessEnvironment());
    void runLaterInstance();

    ProgramLauncher m_launcher;
    std::vector<std::unique_ptr<QProcess>> m_running;
    int m_foreignSegment = -1;
    int m_foreignSemaphore = -1;
};

void SingleInstanceTest::initTestCase()
{
    QVERIFY(m_launcher.isValid());
    QVERIFY2(QFile::exists(Program), qPrintable(Program));
    m_launcher.isolate();
}

void SingleInstanceTest::cleanup()
{
    for (auto &process : m_running)
        stop(*process);
    m_running.clear();
#ifndef Q_OS_WIN
    ProgramLauncher::removeStaleMarker();
    shmctl(m_foreignSegment, IPC_RMID, nullptr);
    semctl(m_foreignSemaphore, 0, IPC_RMID);
    m_foreignSegment = m_foreignSemaphore = -1;
#endif
}

// Reading attaches for a moment, which keeps a live segment alive but would
// remove a stale one: only call it while some instance is known to run.
std::optional<QByteArray> SingleInstanceTest::readMarker()
{
    const auto marker = InstanceMarker::make();
    if (!marker->attach(QSharedMemory::ReadOnly))
        return std::nullopt;
    const MarkerLock lock(*marker);
    return QByteArray(static_cast<const char *>(marker->constData()), InstanceMarker::Size);
}

std::unique_ptr<QProcess> SingleInstanceTest::startFirstInstance(const QProcessEnvironment &extra)
{
    auto process = m_launcher.start(Program, extra);
    if (!process->waitForStarted())
        return nullptr;
    QElapsedTimer clock;
    clock.start();
    while (readMarker() != markerOf('A', 'H') && clock.elapsed() < StartTimeoutMs
           && process->state() == QProcess::Running) {
        QTest::qWait(50);
    }
    return process;
}

void SingleInstanceTest::runLaterInstance()
{
    const auto later = m_launcher.start(Program);
    QVERIFY(later->waitForFinished(StartTimeoutMs));
    QCOMPARE(later->exitStatus(), QProcess::NormalExit);
    QCOMPARE(later->exitCode(), LaterInstanceExitCode);
}

void SingleInstanceTest::laterLaunchesLeaveOneShowRequest()
{
    m_running.push_back(startFirstInstance());
    QProcess *first = m_running.back().get();
    QVERIFY(first);
    QCOMPARE(readMarker(), markerOf('A', 'H'));

    runLaterInstance();
    QCOMPARE(readMarker(), markerOf('A', 'S'));
    runLaterInstance();
    QCOMPARE(readMarker(), markerOf('A', 'S'));
    QCOMPARE(first->state(), QProcess::Running);
}

void SingleInstanceTest::segmentWithoutPresenceMarkIsLeftAlone_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("all zero") << QByteArray(InstanceMarker::Size, '\0');
    QTest::newRow("another mark") << markerOf('X', 'H');
    QTest::newRow("lower-case mark") << markerOf('a', 'H');
}

void SingleInstanceTest::segmentWithoutPresenceMarkIsLeftAlone()
{
    QFETCH(QByteArray, bytes);
    const auto foreign = InstanceMarker::make();
    QVERIFY2(foreign->create(InstanceMarker::Size), qPrintable(foreign->errorString()));
    memcpy(foreign->data(), bytes.constData(), size_t(bytes.size()));

    runLaterInstance();
    QCOMPARE(readMarker(), bytes);
}

// A first instance that dies without detaching leaves its segment behind on
// Linux (on Windows it goes with the process): the next launch must not take
// it for a running instance, and becomes the first instance itself.
void SingleInstanceTest::killedFirstInstanceDoesNotLockOut()
{
    auto crashed = startFirstInstance();
    QVERIFY(crashed);
    runLaterInstance();
    QCOMPARE(readMarker(), markerOf('A', 'S'));
    crashed->kill();
    QVERIFY(crashed->waitForFinished());

    // Waited for by its reading the controller: a look at the marker would
    // clear a stale segment, and a start under wine can outlast a fixed wait.
    const QString log = m_launcher.path(QStringLiteral("tmp/next.log"));
    m_running.push_back(m_launcher.start(Program, exchangeLog(log)));
    QVERIFY(waitForExchange(log));
    QCOMPARE(readMarker(), markerOf('A', 'H'));
    runLaterInstance();
    QCOMPARE(readMarker(), markerOf('A', 'S'));
}

#ifndef Q_OS_WIN
void SingleInstanceTest::foreignObjectsUnderTheKeyAreIgnored_data()
{
    QTest::addColumn<bool>("segment");
    QTest::newRow("another user's segment") << true;
    QTest::newRow("a semaphore left at zero") << false;
}

// System V keys are machine-wide and can be guessed: objects under the
// marker's key that are not this user's marker neither stall the launch nor
// make it a silent later instance.
void SingleInstanceTest::foreignObjectsUnderTheKeyAreIgnored()
{
    QFETCH(bool, segment);
    const passwd *other = getpwnam("nobody");
    if (segment && (geteuid() != 0 || !other))
        QSKIP("giving a segment to another user needs root and the user nobody");
    QFile keyFile(InstanceMarker::key());
    QVERIFY(keyFile.open(QIODevice::WriteOnly));
    const key_t key = ftok(QFile::encodeName(keyFile.fileName()).constData(), 'Q');
    QVERIFY(key != -1);
    if (segment) {
        m_foreignSegment = shmget(key, InstanceMarker::Size, IPC_CREAT | IPC_EXCL | 0600);
        QVERIFY(m_foreignSegment != -1);
        struct shmid_ds owner = {};
        QCOMPARE(shmctl(m_foreignSegment, IPC_STAT, &owner), 0);
        owner.shm_perm.uid = other->pw_uid;
        QCOMPARE(shmctl(m_foreignSegment, IPC_SET, &owner), 0);
    } else {
        // A new System V semaphore starts at zero.
        m_foreignSemaphore = semget(key, 1, IPC_CREAT | IPC_EXCL | 0600);
        QVERIFY(m_foreignSemaphore != -1);
    }

    m_running.push_back(startFirstInstance());
    QVERIFY(m_running.back());
    QCOMPARE(readMarker(), markerOf('A', 'H'));
    runLaterInstance();
    QCOMPARE(readMarker(), markerOf('A', 'S'));
}

// System V segments are machine-wide: one user's instance must neither hold
// another user's launch off nor be taken for it.
void SingleInstanceTest::eachUserRunsAnInstance()
{
    const passwd *other = getpwnam("nobody");
    if (geteuid() != 0 || !other)
        QSKIP("starting the program as another user needs root and the user nobody");
    const QStringList asOther{QStringLiteral("--reuid=%1").arg(other->pw_uid),
                              QStringLiteral("--regid=%1").arg(other->pw_gid), QStringLiteral("--clear-groups")};
    if (QProcess::execute(QStringLiteral("setpriv"), asOther + QStringList{"--", "test", "-x", Program}) != 0)
        QSKIP("the user nobody cannot run the program in this build tree");
    const QString theirLog = m_launcher.path(QStringLiteral("tmp/nobody.log"));
    const QString myLog = m_launcher.path(QStringLiteral("tmp/root.log"));

    // A simulated controller of their own: one controller has one owner across users.
    QProcessEnvironment theirEnvironment = exchangeLog(theirLog);
    theirEnvironment.insert(QStringLiteral("CORVANE_SIM_DEV_DIR"), m_launcher.path(QStringLiteral("tmp/nobody-dev")));
    auto theirs = m_launcher.startAsUser(other->pw_uid, other->pw_gid, Program, theirEnvironment);
    QVERIFY(theirs);
    m_running.push_back(std::move(theirs));
    m_running.push_back(m_launcher.start(Program, exchangeLog(myLog)));
    QVERIFY(waitForExchange(theirLog));
    QVERIFY(waitForExchange(myLog));
    for (const auto &process : m_running)
        QCOMPARE(process->state(), QProcess::Running);
}

void SingleInstanceTest::signalQuitsAsExitDoes_data()
{
    QTest::addColumn<int>("signalNumber");
    QTest::addColumn<bool>("duringStartUp");
    QTest::newRow("SIGTERM") << SIGTERM << false;
    QTest::newRow("SIGINT") << SIGINT << false;
    QTest::newRow("SIGHUP") << SIGHUP << false;
    QTest::newRow("SIGTERM during the splash") << SIGTERM << true;
}

// As Exit from the tray does: the loop ends, the window goes (and with it the
// controller), the settings are written and the instance marker goes with
// the process.
void SingleInstanceTest::signalQuitsAsExitDoes()
{
    QFETCH(int, signalNumber);
    QFETCH(bool, duringStartUp);
    const QString settingsFile = m_launcher.path(QStringLiteral("config/Corvane/CorvaneController1.conf"));
    const QString log = m_launcher.path(QStringLiteral("tmp/exchanges.log"));
    QFile::remove(settingsFile);
    QFile::remove(log);

    const auto program = startFirstInstance(exchangeLog(log));
    QVERIFY(program);
    if (!duringStartUp)
        QVERIFY(waitForExchange(log));
    QCOMPARE(::kill(pid_t(program->processId()), signalNumber), 0);
    QVERIFY(program->waitForFinished(StartTimeoutMs));
    QCOMPARE(program->exitStatus(), QProcess::NormalExit);
    QCOMPARE(program->exitCode(), 0);
    QCOMPARE(readMarker(), std::nullopt);
    QCOMPARE(QSettings(settingsFile, QSettings::IniFormat).value(QStringLiteral("change_boost")),
             QVariant(QStringLiteral("true")));
}
#endif

QTEST_GUILESS_MAIN(SingleInstanceTest)
#include "tst_singleinstance.moc"
