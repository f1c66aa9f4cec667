// SPDX-License-Identifier: GPL-3.0-or-later
// Real processes of the simulated build on an X server of their own (Xvfb),
// driven with xdotool: what the program does with the configuration that
// lies beside it.
#include "programlauncher.h"

#include <QElapsedTimer>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

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
    void cleanupTestCase();
    void unverifiedConfigurationEndsTheProgram_data();
    void unverifiedConfigurationEndsTheProgram();
    void programFindsItsFolderThroughASymbolicLink();

private:
    QStringList xdotool(const QStringList &arguments) const;
    /// The first mapped window whose title matches @p title, waiting up to @p timeoutMs.
    std::optional<QString> waitForWindow(const QString &title, int timeoutMs) const;
    void pressEscape(const QString &window) const;
    std::unique_ptr<QProcess> startOnDisplay(const QString &program) const;

    ProgramLauncher m_launcher;
    QProcess m_xserver;
    QString m_display;
};

void ConfigurationErrorTest::initTestCase()
{
    if (QStandardPaths::findExecutable(QStringLiteral("Xvfb")).isEmpty()
        || QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty()) {
        QSKIP("needs Xvfb and xdotool");
    }
    QVERIFY(m_launcher.isValid());
    m_launcher.isolate();
    m_xserver.start(QStringLiteral("Xvfb"), {QStringLiteral("-displayfd"), QStringLiteral("1"),
                                             QStringLiteral("-screen"), QStringLiteral("0"),
                                             QStringLiteral("1024x768x24"), QStringLiteral("-noreset"), QStringLiteral("-nolisten"),
                                             QStringLiteral("tcp")});
    QVERIFY(m_xserver.waitForStarted());
    QElapsedTimer clock;
    clock.start();
    while (!m_xserver.canReadLine() && clock.elapsed() < TimeoutMs)
        m_xserver.waitForReadyRead(100);
    m_display = QLatin1Char(':') + QString::fromLatin1(m_xserver.readLine()).trimmed();
    QVERIFY2(m_display.size() > 1, "Xvfb gave no display number");
}

void ConfigurationErrorTest::cleanup()
{
    ProgramLauncher::removeStaleMarker();
}

void ConfigurationErrorTest::cleanupTestCase()
{
    m_xserver.terminate();
    m_xserver.waitForFinished();
}

QStringList ConfigurationErrorTest::xdotool(const QStringList &arguments) const
{
    QProcess tool;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), m_display);
    tool.setProcessEnvironment(environment);
    tool.start(QStringLiteral("xdotool"), arguments);
    tool.waitForFinished();
    return QString::fromLatin1(tool.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

// A build without the plug-in shows its warning first; that box is answered
// on the way, it is not what these tests are about.
std::optional<QString> ConfigurationErrorTest::waitForWindow(const QString &title, int timeoutMs) const
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < timeoutMs) {
        // Only a mapped window can take the focus that a key press needs; a
        // window is found by name before it is mapped.
        const QStringList found =
            xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--name"), title});
        if (!found.isEmpty())
            return found.constFirst();
        for (const QString &box : xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                           QStringLiteral("--name"), QStringLiteral("^Plugin not found$")}))
            pressEscape(box);
        QTest::qWait(100);
    }
    return std::nullopt;
}

void ConfigurationErrorTest::pressEscape(const QString &window) const
{
    xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), window});
    xdotool({QStringLiteral("key"), QStringLiteral("Escape")});
}

std::unique_ptr<QProcess> ConfigurationErrorTest::startOnDisplay(const QString &program) const
{
    QProcessEnvironment display;
    display.insert(QStringLiteral("DISPLAY"), m_display);
    display.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    return m_launcher.start(program, display);
}

void ConfigurationErrorTest::unverifiedConfigurationEndsTheProgram_data()
{
    const QByteArray config = readFile(SimBuildDir + QStringLiteral("/cv2global.conf"));
    const QByteArray signature = readFile(SimBuildDir + QStringLiteral("/cv2global.conf.sig"));
    QVERIFY(!config.isEmpty() && !signature.isEmpty());
    QByteArray tampered = config;
    tampered[tampered.size() / 2] = char(tampered[tampered.size() / 2] ^ 0x01);

    QTest::addColumn<QByteArray>("config");      // null: no file
    QTest::addColumn<QByteArray>("signature");   // null: no file
    QTest::newRow("one byte changed") << tampered << signature;
    QTest::newRow("no signature") << config << QByteArray();
    QTest::newRow("no configuration") << QByteArray() << signature;
}

// The program is copied into a folder of its own (a link would lead back to
// the build's folder) with the configuration under test beside it.
void ConfigurationErrorTest::unverifiedConfigurationEndsTheProgram()
{
    QFETCH(QByteArray, config);
    QFETCH(QByteArray, signature);
    QTemporaryDir folder;
    const QString program = folder.filePath(QStringLiteral("corvane-control"));
    QVERIFY(QFile::copy(SimBuildDir + QStringLiteral("/corvane-control"), program));
    QVERIFY(QFile::link(SimBuildDir + QStringLiteral("/generic"), folder.filePath(QStringLiteral("generic"))));
    if (!config.isNull())
        QVERIFY(writeFile(folder.filePath(QStringLiteral("cv2global.conf")), config));
    if (!signature.isNull())
        QVERIFY(writeFile(folder.filePath(QStringLiteral("cv2global.conf.sig")), signature));

    const auto process = startOnDisplay(program);
    const auto errorBox = waitForWindow(QStringLiteral("^Error$"), TimeoutMs);
    QVERIFY2(errorBox, "no \"Error\" box");
    QCOMPARE(process->state(), QProcess::Running);
    pressEscape(*errorBox);
    QVERIFY(process->waitForFinished(TimeoutMs));
    QCOMPARE(process->exitStatus(), QProcess::NormalExit);
    QCOMPARE(process->exitCode(), ConfigurationErrorExitCode);
}

// Started through a link from another folder, the program still finds the
// configuration beside its real file: the window comes and no error follows.
void ConfigurationErrorTest::programFindsItsFolderThroughASymbolicLink()
{
    QTemporaryDir elsewhere;
    const QString link = elsewhere.filePath(QStringLiteral("corvane-control"));
    QVERIFY(QFile::link(SimBuildDir + QStringLiteral("/corvane-control"), link));

    const auto process = startOnDisplay(link);
    QVERIFY2(waitForWindow(QStringLiteral("^Corvantis$"), TimeoutMs), "no main window");
    QVERIFY(!waitForWindow(QStringLiteral("^Error$"), 3000));
    QCOMPARE(process->state(), QProcess::Running);
    process->kill();
    process->waitForFinished();
}

QTEST_GUILESS_MAIN(ConfigurationErrorTest)
#include "tst_configerror.moc"
