// SPDX-License-Identifier: GPL-3.0-or-later
#include "fandutyprocessor.h"
#include "globalconfig.h"

#include <QtTest>

namespace {

QVariantMap section(const QVariant& g1, const QVariant& g2)
{
    QVariantMap tables;
    if (g1.isValid())
        tables.insert(QStringLiteral("FAN_DUTIES_G1"), g1);
    if (g2.isValid())
        tables.insert(QStringLiteral("FAN_DUTIES_G2"), g2);
    return tables;
}

QList<int> maxLevels(FanDutyProcessor& processor)
{
    return {processor.maxLevel(0), processor.maxLevel(1), processor.maxLevel(2), processor.maxLevel(3)};
}

} // namespace

class TestGlobalConfig final : public QObject
{
    Q_OBJECT

private slots:
    void dutyTableKeepsLowByte();
    void sectionsGoToTheirProcessors_data();
    void sectionsGoToTheirProcessors();
};

void TestGlobalConfig::dutyTableKeepsLowByte()
{
    const QVariantList entries{0u, 100, 300, -1, QStringLiteral("12"), 255u, qulonglong(256)};
    QCOMPARE(makeDutyTable(entries), QByteArray::fromHex("00642cff0cff00"));
    QCOMPARE(makeDutyTable(QVariant(7)), QByteArray());
}

void TestGlobalConfig::sectionsGoToTheirProcessors_data()
{
    QTest::addColumn<QVariant>("conf");
    QTest::addColumn<QList<int>>("first");
    QTest::addColumn<QList<int>>("second");

    const QVariantList four{0u, 30u, 60u, 100u};
    const QVariantList three{0u, 50u, 100u};
    const QList<int> none{-1, -1, -1, -1};

    QTest::newRow("first section only")
        << QVariant(QVariantMap{{"Fireware1", section(four, three)}}) << QList<int>{3, 3, 2, 2} << none;
    QTest::newRow("both sections")
        << QVariant(QVariantMap{{"Fireware1", section(three, three)}, {"Fireware2", section(four, four)}})
        << QList<int>{2, 2, 2, 2} << QList<int>{3, 3, 3, 3};
    QTest::newRow("table missing from a section")
        << QVariant(QVariantMap{{"Fireware2", section(QVariant(), three)}}) << none
        << QList<int>{-1, -1, 2, 2};
    QTest::newRow("other keys ignored")
        << QVariant(QVariantMap{{"Fireware3", section(four, four)}, {"Fireware2", 5}}) << none << none;
    QTest::newRow("not a map") << QVariant(QVariantList{four}) << none << none;
    QTest::newRow("invalid") << QVariant() << none << none;
}

void TestGlobalConfig::sectionsGoToTheirProcessors()
{
    QFETCH(QVariant, conf);
    QFETCH(QList<int>, first);
    QFETCH(QList<int>, second);

    FanDutyProcessor fireware1;
    FanDutyProcessor fireware2;
    applyGlobalConfig(conf, fireware1, fireware2);
    QCOMPARE(maxLevels(fireware1), first);
    QCOMPARE(maxLevels(fireware2), second);
}

QTEST_GUILESS_MAIN(TestGlobalConfig)
#include "tst_globalconfig.moc"
