// SPDX-License-Identifier: GPL-3.0-or-later
// Real processes of the simulated build on an X server of their own: what
// the program does with the configuration that lies beside it.
#include "programlauncher.h"
#include "xserversession.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <optional>

namespace {

constexpr int TimeoutMs = 30000;
constexpr int ConfigurationErrorExitCode = 254;   // -2 as the parent sees it

const QString SimBuildDir = QStringLiteral(CORVANE_SIM_BUILD_DIR);

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace

class ConfigurationErrorTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void tamperedConfigurationEndsTheProgram();
    void programFindsItsFolderThroughASymbolicLink();

private:
    /// The first mapped window whose title matches @p title, waiting up to @p timeoutMs.
    std::optional<QString> waitForWindow(const QString &title, int timeoutMs);
    std::unique_ptr<QProcess> startOnDisplay(const QString &program,
                                             QProcessEnvironment environment = QProcessEnvironment()) const;

    ProgramLauncher m_launcher;
    std::unique_ptr<XServerSession> m_x;
};

void ConfigurationErrorTest::initTestCase()
{
    if (!XServerSession::toolsPresent())
        QSKIP("needs Xvfb, trayer and xdotool");
    QVERIFY(m_launcher.isValid());
    m_launcher.isolate();
    m_x = std::make_unique<XServerSession>();
    QVERIFY(m_x->isValid());
}

void ConfigurationErrorTest::cleanup()
{
    ProgramLauncher::removeStaleMarker();
}

// A build without the plug-in shows its warning first; that box is answered
// on the way, it is not what these tests are about.
std::optional<QString> ConfigurationErrorTest::waitForWindow(const QString &title, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < timeoutMs) {
        const QStringList found = m_x->visibleWindowsNamed(title);
        if (!found.isEmpty())
            return found.constFirst();
        for (const QString &box : m_x->visibleWindowsNamed(QStringLiteral("^Plugin not found$")))
            m_x->requestClose(box);
        QTest::qWait(100);
    }
    return std::nullopt;
}

std::unique_ptr<QProcess> ConfigurationErrorTest::startOnDisplay(const QString &program,
                                                                  QProcessEnvironment environment) const
{
    environment.insert(QStringLiteral("DISPLAY"), m_x->display());
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    return m_launcher.start(program, environment);
}

// Whatever leaves the configuration unverified (which the co-processor's
// suite goes through), the window says so and the program ends. The program
// is copied into a folder of its own (a link would lead back to the build's
// folder) with a configuration beside it that has one byte changed.
void ConfigurationErrorTest::tamperedConfigurationEndsTheProgram()
{
    QByteArray config = readFile(SimBuildDir + QStringLiteral("/cv2global.conf"));
    const QByteArray signature = readFile(SimBuildDir + QStringLiteral("/cv2global.conf.sig"));
    QVERIFY(!config.isEmpty() && !signature.isEmpty());
    config[config.size() / 2] = char(config.at(config.size() / 2) ^ 0x01);
    QTemporaryDir folder;
    const QString program = folder.filePath(QStringLiteral("corvane-control"));
    QVERIFY(QFile::copy(SimBuildDir + QStringLiteral("/corvane-control"), program));
    QVERIFY(QFile::link(SimBuildDir + QStringLiteral("/generic"), folder.filePath(QStringLiteral("generic"))));
    QVERIFY(writeFile(folder.filePath(QStringLiteral("cv2global.conf")), config));
    QVERIFY(writeFile(folder.filePath(QStringLiteral("cv2global.conf.sig")), signature));

    const auto process = startOnDisplay(program);
    const auto errorBox = waitForWindow(QStringLiteral("^Error$"), TimeoutMs);
    QVERIFY2(errorBox, "no \"Error\" box");
    QCOMPARE(process->state(), QProcess::Running);
    m_x->requestClose(*errorBox);
    QVERIFY(process->waitForFinished(TimeoutMs));
    QCOMPARE(process->exitStatus(), QProcess::NormalExit);
    QCOMPARE(process->exitCode(), ConfigurationErrorExitCode);
}

// Started through a link from another folder, the program still finds the
// configuration beside its real file: it opens the simulated controller,
// which it does only once the configuration is verified, and shows no error.
void ConfigurationErrorTest::programFindsItsFolderThroughASymbolicLink()
{
    QTemporaryDir elsewhere;
    const QString link = elsewhere.filePath(QStringLiteral("corvane-control"));
    QVERIFY(QFile::link(SimBuildDir + QStringLiteral("/corvane-control"), link));
    const QString log = elsewhere.filePath(QStringLiteral("sim.log"));
    QProcessEnvironment environment;
    environment.insert(QStringLiteral("CORVANE_SIM_LOG"), log);

    const auto process = startOnDisplay(link, environment);
    QVERIFY2(waitForWindow(QStringLiteral("^Corvantis$"), TimeoutMs), "no main window");
    QTRY_VERIFY_WITH_TIMEOUT(readFile(log).contains(" get "), TimeoutMs);
    QVERIFY(m_x->visibleWindowsNamed(QStringLiteral("^Error$")).isEmpty());
    QCOMPARE(process->state(), QProcess::Running);
    process->kill();
    process->waitForFinished();
}

QTEST_GUILESS_MAIN(ConfigurationErrorTest)
#include "tst_configerror.moc"
