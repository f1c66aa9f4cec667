// SPDX-License-Identifier: GPL-3.0-or-later
// corvane-ctl's command line: what each accepted form means, and the
// scripting form of a status, whose keys are a stable interface.
#include "controllerstatus.h"
#include "ctlcommand.h"

#include <QDir>
#include <QJsonArray>
#include <QTest>

using Kind = CtlCommand::Kind;
Q_DECLARE_METATYPE(CtlCommand::Kind)

class TestCtlCommand : public QObject
{
    Q_OBJECT

private slots:
    void accepted_data();
    void refusedWait_data();
    void refusedWait();
    void accepted();
    void uploadPathIsAbsolute();
    void curve_data();
    void curve();
    void jsonKeys();
};

void TestCtlCommand::accepted_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<Kind>("kind");
    QTest::addColumn<QString>("target");
    QTest::addColumn<int>("number");
    QTest::addColumn<bool>("on");
    QTest::addColumn<bool>("json");
    QTest::addColumn<int>("waitMs");

    QTest::newRow("status") << QStringList{"status"} << Kind::Status << "" << 0 << false << false << 3000;
    QTest::newRow("--json before") << QStringList{"--json", "list"} << Kind::List << "" << 0 << false << true << 3000;
    QTest::newRow("--wait in seconds") << QStringList{"--wait", "0.5", "monitor", "--json"} << Kind::Monitor << ""
                                       << 0 << false << true << 500;
    QTest::newRow("group in small letters") << QStringList{"fan", "g2", "7"} << Kind::Fan << "G2" << 7 << false
                                            << false << 3000;
    QTest::newRow("led off") << QStringList{"led", "off"} << Kind::LedPower << "" << 0 << false << false << 3000;
    QTest::newRow("breathe 13") << QStringList{"led", "breathe", "13"} << Kind::LedBreathe << "" << 13 << false
                                << false << 3000;
    QTest::newRow("autorun led on") << QStringList{"autorun", "led", "on"} << Kind::AutoRun << "led" << 0 << true
                                    << false << 3000;
    QTest::newRow("hibernate fan off") << QStringList{"hibernate", "fan", "off"} << Kind::Hibernate << "fan" << 0
                                       << false << false << 3000;
    QTest::newRow("sensors --json") << QStringList{"sensors", "--json"} << Kind::Sensors << "" << 0 << false << true
                                    << 3000;
    QTest::newRow("help wins") << QStringList{"fan", "--help"} << Kind::Help << "" << 0 << false << false << 3000;
}

void TestCtlCommand::accepted()
{
    QFETCH(QStringList, arguments);
    QString error;
    const std::optional<CtlCommand> command = CtlCommand::parse(arguments, &error);
    QVERIFY2(command, qPrintable(error));
    QTEST(command->kind, "kind");
    QTEST(command->target, "target");
    QTEST(command->number, "number");
    QTEST(command->on, "on");
    QTEST(command->json, "json");
    QTEST(command->waitMs, "waitMs");
}

void TestCtlCommand::refusedWait_data()
{
    QTest::addColumn<QString>("seconds");
    for (const char *seconds : {"nan", "-nan", "inf", "1e400", "-1", "3601", "soon"})
        QTest::newRow(seconds) << QString::fromLatin1(seconds);
}

// NaN slips past a range check made of comparisons.
void TestCtlCommand::refusedWait()
{
    QFETCH(QString, seconds);
    QString error;
    QVERIFY(!CtlCommand::parse({"--wait", seconds, "status"}, &error));
    QCOMPARE(error, QStringLiteral("--wait takes a number of seconds"));
}

// The panel runs in a folder of its own, so a relative name must not reach it.
void TestCtlCommand::uploadPathIsAbsolute()
{
    QString error;
    const auto command = CtlCommand::parse({"led", "upload", "laws/mine.adl"}, &error);
    QVERIFY(command);
    QCOMPARE(command->kind, Kind::LedUpload);
    QCOMPARE(command->text, QDir::current().absoluteFilePath(QStringLiteral("laws/mine.adl")));
}

void TestCtlCommand::curve_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("parsed");   // group|source|points, empty when refused

    QTest::newRow("show") << QStringList{"curve", "g1"} << "G1||";
    QTest::newRow("default: the CPU load's") << QStringList{"curve", "G2", "default"} << "G2|cpu|default";
    QTest::newRow("sensor and points") << QStringList{"curve", "G1", "hwmon:k10temp/Tctl", "40:2,60:5,75:9"}
                                       << "G1|hwmon:k10temp/Tctl|40:2,60:5,75:9";
    QTest::newRow("source without points") << QStringList{"curve", "G1", "hwmon:k10temp/Tctl"} << "";
    QTest::newRow("no group") << QStringList{"curve"} << "";
    QTest::newRow("G3") << QStringList{"curve", "G3"} << "";
}

// Whether source and points make a curve is the panel's to judge.
void TestCtlCommand::curve()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, parsed);
    QString error;
    const std::optional<CtlCommand> command = CtlCommand::parse(arguments, &error);
    QCOMPARE(command.has_value(), !parsed.isEmpty());
    if (command)
        QCOMPARE(QStringList({command->target, command->text, command->points}).join(QLatin1Char('|')), parsed);
}

void TestCtlCommand::jsonKeys()
{
    ControllerStatus status;
    status.levels = std::array<int, 2>{3, 4};
    status.fans[1].rpm = 900;
    const QJsonObject json = status.toJson();
    QCOMPARE(json.keys(), (QStringList{"adapter_volts", "alarms", "connected", "fan_auto_run", "fan_hibernate", "fans",
                                        "firmware", "led", "levels", "mode", "model", "path", "protocol", "serial",
                                        "source"}));
    QCOMPARE(json.value("led").toObject().keys(),
             (QStringList{"auto_run", "colour", "effect", "hibernate", "power"}));
    QCOMPARE(json.value("levels").toObject().keys(), (QStringList{"G1", "G2"}));
    const QJsonArray fans = json.value("fans").toArray();
    QCOMPARE(fans.size(), 4);
    QCOMPARE(fans.at(1).toObject().keys(), (QStringList{"duty", "group", "index", "rpm"}));
    QCOMPARE(fans.at(1).toObject().value("rpm").toInt(), 900);
    QVERIFY(fans.at(0).toObject().value("rpm").isNull());
    QCOMPARE(fans.at(2).toObject().value("group").toString(), QStringLiteral("G2"));
    QVERIFY(json.value("mode").isNull());
}

QTEST_GUILESS_MAIN(TestCtlCommand)
#include "tst_ctlcommand.moc"
