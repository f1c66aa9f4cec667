// SPDX-License-Identifier: GPL-3.0-or-later
// Controllers described as text, and the environment variables read at the
// bus's first use (checked in a child process each).
#include "simtestutil.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace CorvaneSim;

class TestSimConfig : public QObject
{
    Q_OBJECT

private slots:
    void parse_data();
    void parse();
    void parseList();
    void environmentDevices_data();
    void environmentDevices();
    void logFile();
    void silentDelay_data();
    void silentDelay();

private:
    QString runProbe(const QProcessEnvironment &environment, const QStringList &arguments,
                     QString *errors = nullptr);
};

namespace {

// protocol fw proto hw model adapter vid pid interfaces primary cpuid, or the error's key text.
QString summary(const ControllerConfig &s)
{
    return QStringLiteral("%1 %2 %3 %4 %5 %6 %7 %8 %9")
        .arg(s.protocol == Protocol::V2000 ? "v2000" : "v1100")
        .arg(s.firmwareVersion, 0, 16).arg(s.protocolVersion, 0, 16)
        .arg(s.hardwareVersion).arg(s.model).arg(s.adapter)
        .arg(QStringLiteral("%1:%2").arg(s.vendorId, 4, 16, QLatin1Char('0')).arg(s.productId, 4, 16, QLatin1Char('0')))
        .arg(QStringLiteral("%1/%2").arg(s.interfaces).arg(s.primary))
        .arg(QString::fromLatin1(s.cpuid.toHex()));
}

} // namespace

void TestSimConfig::parse_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");   // summary, or "error: <part of the message>"

    QTest::newRow("v2000 defaults") << "v2000" << "v2000 2000 2000 21 2 1370 2a0e:1000 1/0 ";
    QTest::newRow("v1100 defaults") << "v1100" << "v1100 1100 1100 21 2 1370 2a0e:1000 1/0 ";
    QTest::newRow("hardware 22, full adapter") << "v2000,hw=22,adapter=4095"
                                               << "v2000 2000 2000 22 2 4095 2a0e:1000 1/0 ";
    QTest::newRow("every key, hex and decimal")
        << "v1100,fw=0x1105,proto=0X1101,hw=7,model=3,adapter=0,vid=0xABCD,pid=4660,"
           "interfaces=3,primary=2,cpuid=000102030405060708090A0B"
        << "v1100 1105 1101 7 3 0 abcd:1234 3/2 000102030405060708090a0b";
    QTest::newRow("spaces and capitals") << " V2000 , HW = 22 " << "v2000 2000 2000 22 2 1370 2a0e:1000 1/0 ";
    QTest::newRow("last of a key wins") << "v2000,model=1,model=5" << "v2000 2000 2000 21 5 1370 2a0e:1000 1/0 ";

    QTest::newRow("unknown type") << "v3000" << "error: unknown controller type";
    QTest::newRow("empty") << "" << "error: unknown controller type";
    QTest::newRow("no value") << "v2000,hw" << "error: not key=value";
    QTest::newRow("unknown key") << "v2000,speed=3" << "error: unknown key 'speed'";
    QTest::newRow("16-bit overflow") << "v2000,fw=0x10000" << "error: fw=0x10000";
    QTest::newRow("adapter beyond 12 bits") << "v2000,adapter=4096" << "error: adapter=4096";
    QTest::newRow("auto-run beyond 1") << "v1100,fanautorun=2" << "error: fanautorun=2";
    QTest::newRow("negative") << "v2000,hw=-1" << "error: hw=-1";
    QTest::newRow("bare 0x") << "v2000,fw=0x" << "error: fw=0x";
    QTest::newRow("trailing junk") << "v2000,fw=12abc" << "error: fw=12abc";
    QTest::newRow("octal-looking is decimal") << "v2000,model=010" << "v2000 2000 2000 21 10 1370 2a0e:1000 1/0 ";
    QTest::newRow("short cpuid") << "v2000,cpuid=0102" << "error: 24 hex digits";
    QTest::newRow("cpuid not hex") << "v2000,cpuid=zz0102030405060708090a0b" << "error: 24 hex digits";
    QTest::newRow("no interface") << "v2000,interfaces=0" << "error: at least one";
    QTest::newRow("primary out of range") << "v2000,interfaces=2,primary=2" << "error: primary=2";
}

void TestSimConfig::parse()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QString error;
    const auto config = ControllerConfig::parse(text, &error);
    if (expected.startsWith(QLatin1String("error: "))) {
        QVERIFY(!config);
        QVERIFY2(error.contains(expected.mid(7)), qPrintable(error));
    } else {
        QVERIFY2(config, qPrintable(error));
        QCOMPARE(summary(*config), expected);
    }
}

void TestSimConfig::parseList()
{
    QStringList errors;
    const auto configs = ControllerConfig::parseList(QStringLiteral("v2000;bogus; ;v1100,fw=0x1101;v2000,hw=x;"), &errors);
    QCOMPARE(configs.size(), 2);
    QCOMPARE(configs.at(0).protocol, Protocol::V2000);
    QCOMPARE(configs.at(1).firmwareVersion, quint16(0x1101));
    QCOMPARE(errors.size(), 2);
    QVERIFY(errors.at(0).startsWith(QLatin1String("bogus")));
    QVERIFY(errors.at(1).startsWith(QLatin1String("v2000,hw=x")));
}

QString TestSimConfig::runProbe(const QProcessEnvironment &environment, const QStringList &arguments,
                                QString *errors)
{
    QProcess probe;
    probe.setProcessEnvironment(environment);
    probe.start(QStringLiteral(SIMPROBE_PATH), arguments);
    if (!probe.waitForFinished(30000) || probe.exitCode() != 0)
        return QStringLiteral("probe failed: ") + probe.errorString();
    if (errors)
        *errors = QString::fromLocal8Bit(probe.readAllStandardError());
    // A Windows child ends its lines as that platform's text files do.
    return QString::fromLatin1(probe.readAllStandardOutput()).replace(QLatin1String("\r\n"), QLatin1String("\n"));
}

void TestSimConfig::environmentDevices_data()
{
    QTest::addColumn<bool>("set");
    QTest::addColumn<QString>("devices");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<QString>("warning");

    QTest::newRow("unset: one v2000") << false << QString() << "sim:1:0 2a0e 1000 0\n" << QString();
    QTest::newRow("empty: none") << true << QString() << QString() << QString();
    QTest::newRow("list with a bad item")
        << true << "v1100,pid=0x1001;v3000;v2000,vid=0x1234,interfaces=2"
        << "sim:1:0 2a0e 1001 0\nsim:2:0 1234 1000 0\nsim:2:1 1234 1000 1\n"
        << "skipping v3000";
}

void TestSimConfig::environmentDevices()
{
    QFETCH(bool, set);
    QFETCH(QString, devices);
    QFETCH(QString, expected);
    QFETCH(QString, warning);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("CORVANE_SIM_DEVICES"));
    environment.remove(QStringLiteral("CORVANE_SIM_LOG"));
    if (set)
        environment.insert(QStringLiteral("CORVANE_SIM_DEVICES"), devices);

    QString errors;
    QCOMPARE(runProbe(environment, {}, &errors), expected);
    if (!warning.isEmpty())
        QVERIFY2(errors.contains(warning), qPrintable(errors));
}

void TestSimConfig::logFile()
{
    QTemporaryDir dir;
    const QString logName = dir.filePath(QStringLiteral("sim.log"));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("CORVANE_SIM_DEVICES"));
    environment.insert(QStringLiteral("CORVANE_SIM_LOG"), logName);
    QCOMPARE(runProbe(environment, {QStringLiteral("exchange")}), QStringLiteral("sim:1:0 2a0e 1000 0\n"));

    QFile log(logName);
    QVERIFY(log.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromLatin1(log.readAll()).split(QLatin1Char('\n'));
    const QString status = QString::fromLatin1(SimTest::report(
        "01 0020 0020 00 5a05 bbd73401 00000000000000000000000000000000 00000000 00 00 0000 0000 1500 0101 0200"
        " 4356 5349 4d00 0000 0000 0001").toHex());
    const QStringList expected = {
        "plug sim:1:0",
        "sim:1:0 get " + status,
        "sim:1:0 send " + QString::fromLatin1(SimTest::report("06 a0 b0 01 c0 20 a1").toHex()),
        "sim:1:0 get-failed " + QString::fromLatin1(SimTest::report("63").toHex()),
        "unplug sim:1:0",
        "",
    };
    QCOMPARE(lines.size(), expected.size());
    const QRegularExpression stamp(QStringLiteral("^(\\d+) (.*)$"));
    qint64 previous = 0;
    for (int i = 0; i + 1 < lines.size(); ++i) {
        const auto match = stamp.match(lines.at(i));
        QVERIFY2(match.hasMatch(), qPrintable(lines.at(i)));
        QCOMPARE(match.captured(2), expected.at(i));
        QVERIFY(match.captured(1).toLongLong() >= previous);
        previous = match.captured(1).toLongLong();
    }
}

void TestSimConfig::silentDelay_data()
{
    QTest::addColumn<QString>("value");   // null: unset
    QTest::addColumn<int>("atLeastMs");
    QTest::addColumn<QString>("warning");

    QTest::newRow("unset") << QString() << 200 << QString();
    QTest::newRow("set") << "700" << 700 << QString();
    QTest::newRow("not a number") << "5s" << 200 << "CORVANE_SIM_SILENT_MS";
}

// A silent controller's exchange fails after the delay; only a lower bound
// is checked, a loaded machine may take longer.
void TestSimConfig::silentDelay()
{
    QFETCH(QString, value);
    QFETCH(int, atLeastMs);
    QFETCH(QString, warning);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("CORVANE_SIM_DEVICES"));
    environment.remove(QStringLiteral("CORVANE_SIM_LOG"));
    environment.remove(QStringLiteral("CORVANE_SIM_SILENT_MS"));
    if (!value.isNull())
        environment.insert(QStringLiteral("CORVANE_SIM_SILENT_MS"), value);

    QString errors;
    const QString output = runProbe(environment, {QStringLiteral("silent")}, &errors);
    const auto match = QRegularExpression(QStringLiteral("silent get (\\d+) ms")).match(output);
    QVERIFY2(match.hasMatch(), qPrintable(output));
    QVERIFY2(match.captured(1).toInt() >= atLeastMs, qPrintable(output));
    if (!warning.isEmpty())
        QVERIFY2(errors.contains(warning), qPrintable(errors));
}

QTEST_GUILESS_MAIN(TestSimConfig)
#include "tst_simconfig.moc"
