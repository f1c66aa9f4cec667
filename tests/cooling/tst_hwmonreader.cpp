// SPDX-License-Identifier: GPL-3.0-or-later
// The hwmon reader on a sysfs tree of its own: names and ids of the inputs,
// ids that survive a renumbering of hwmonN, and what counts as unreadable.
#include "cpuloadinput.h"
#include "fakehwmon.h"
#include "hwmonreader.h"
#include "sourcelist.h"

#include <QTest>

namespace {

QStringList idsOf(const HwmonReader &reader)
{
    QStringList ids;
    const QVector<HwmonReader::Input> inputs = reader.inputs();
    for (const HwmonReader::Input &input : inputs)
        ids.append(input.id + QLatin1Char('=') + input.name);
    return ids;
}

} // namespace

class TestHwmonReader : public QObject
{
    Q_OBJECT

private slots:
    void idsSurviveRenumbering();
    void readings_data();
    void readings();
};

void TestHwmonReader::idsSurviveRenumbering()
{
    const QStringList expected = {
        "hwmon:acpitz/temp1=acpitz temp1",
        "hwmon:k10temp/Tctl=k10temp Tctl",
        "hwmon:nvme/Composite=nvme Composite",
        "hwmon:nvme/Composite#2=nvme Composite #2",
    };
    for (const QList<int> &numbers : {QList<int>{0, 1, 2, 3}, QList<int>{3, 2, 1, 0}}) {
        FakeHwmon tree;
        tree.addDevice(numbers[0], QStringLiteral("k10temp"), QStringLiteral("pci0000:00/0000:00:18.3"));
        tree.setInput(numbers[0], 1, "45250\n", QStringLiteral("Tctl"));
        tree.addDevice(numbers[1], QStringLiteral("nvme"), QStringLiteral("pci0000:00/0000:02:00.0/nvme/nvme1"));
        tree.setInput(numbers[1], 1, "38850\n", QStringLiteral("Composite"));
        tree.addDevice(numbers[2], QStringLiteral("nvme"), QStringLiteral("pci0000:00/0000:01:00.0/nvme/nvme0"));
        tree.setInput(numbers[2], 1, "41850\n", QStringLiteral("Composite"));
        tree.addDevice(numbers[3], QStringLiteral("acpitz"));
        tree.setInput(numbers[3], 1, "27800\n");

        const HwmonReader reader(tree.root());
        QCOMPARE(idsOf(reader), expected);
        // The drive in the first slot is the first "nvme Composite" whatever its hwmonN.
        const auto first = reader.find(QStringLiteral("hwmon:nvme/Composite"));
        QVERIFY(first);
        QCOMPARE(HwmonReader::readCelsius(first->path), 41.85);
    }
}

void TestHwmonReader::readings_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("readable");
    QTest::addColumn<double>("celsius");

    QTest::newRow("millidegrees") << QByteArray("45250\n") << true << 45.25;
    QTest::newRow("below zero") << QByteArray("-12500\n") << true << -12.5;
    QTest::newRow("lowest plausible") << QByteArray("-40000\n") << true << -40.0;
    QTest::newRow("highest plausible") << QByteArray("150000\n") << true << 150.0;
    QTest::newRow("below -40: a broken sensor") << QByteArray("-40001\n") << false << 0.0;
    QTest::newRow("above 150: a broken sensor") << QByteArray("255000\n") << false << 0.0;
    QTest::newRow("empty: a read error") << QByteArray() << false << 0.0;
    QTest::newRow("not a number") << QByteArray("N/A\n") << false << 0.0;
}

void TestHwmonReader::readings()
{
    QFETCH(QByteArray, content);
    QFETCH(bool, readable);
    QFETCH(double, celsius);

    FakeHwmon tree;
    tree.addDevice(4, QStringLiteral("coretemp"), QStringLiteral("platform/coretemp.0"));
    tree.setInput(4, 1, content, QStringLiteral("Package id 0"));
    HwmonReader reader(tree.root());
    SourceList sources(CpuLoadInput::none(), &reader);

    const SourceList::Reading reading = sources.readTemperature(QStringLiteral("hwmon:coretemp/Package id 0"));
    QCOMPARE(reading.status == SourceList::Reading::Status::Value, readable);
    if (readable)
        QCOMPARE(reading.value, celsius);
}

QTEST_GUILESS_MAIN(TestHwmonReader)
#include "tst_hwmonreader.moc"
