// SPDX-License-Identifier: GPL-3.0-or-later
// Curves: the level between and beyond the points, which texts make a curve,
// and how hysteresis holds a level on falling values only.
#include "fancurve.h"

#include <QTest>

class TestFanCurve : public QObject
{
    Q_OBJECT

private slots:
    void levelAt_data();
    void levelAt();
    void fromText_data();
    void fromText();
    void hysteresis_data();
    void hysteresis();
};

void TestFanCurve::levelAt_data()
{
    QTest::addColumn<QString>("points");
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("top");
    QTest::addColumn<int>("level");

    const QString three = QStringLiteral("40:2,60:5,75:9");
    QTest::newRow("below the first point: flat") << three << -10.0 << 10 << 2;
    QTest::newRow("at a point") << three << 60.0 << 10 << 5;
    QTest::newRow("between: 50 gives 3.5, halves up") << three << 50.0 << 10 << 4;
    QTest::newRow("between: just under a half") << three << 49.9 << 10 << 3;
    QTest::newRow("beyond the last point: flat") << three << 120.0 << 10 << 9;
    QTest::newRow("kept within the group's top") << three << 75.0 << 6 << 6;
    QTest::newRow("level 0 allowed") << QStringLiteral("30:0,50:4") << 20.0 << 10 << 0;
    QTest::newRow("no table: 0") << three << 75.0 << -1 << 0;
}

void TestFanCurve::levelAt()
{
    QFETCH(QString, points);
    QFETCH(double, value);
    QFETCH(int, top);
    QFETCH(int, level);

    const auto curve = FanCurve::fromText(points, 0.0);
    QVERIFY(curve);
    QCOMPARE(curve->levelAt(value, top), level);
}

void TestFanCurve::fromText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");

    QTest::newRow("three points") << "40:2,60:5,75:9" << true;
    QTest::newRow("decimals and spaces") << "40.5 : 2, 60:5" << true;
    QTest::newRow("flat steps") << "40:2,60:2" << true;
    QTest::newRow("eight points") << "1:0,2:1,3:2,4:3,5:4,6:5,7:6,8:7" << true;
    QTest::newRow("nine points") << "1:0,2:1,3:2,4:3,5:4,6:5,7:6,8:7,9:8" << false;
    QTest::newRow("one point") << "40:2" << false;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("values not rising") << "60:2,60:5" << false;
    QTest::newRow("values falling") << "60:2,40:5" << false;
    QTest::newRow("level falls") << "40:5,60:2" << false;
    QTest::newRow("negative level") << "40:-1,60:2" << false;
    QTest::newRow("fractional level") << "40:1.5,60:2" << false;
    QTest::newRow("missing level") << "40:,60:2" << false;
    QTest::newRow("not a number") << "nan:1,60:2" << false;
    QTest::newRow("extra colon") << "40:1:2,60:2" << false;
}

void TestFanCurve::fromText()
{
    QFETCH(QString, text);
    QFETCH(bool, valid);

    const auto curve = FanCurve::fromText(text, 3.0);
    QCOMPARE(curve.has_value(), valid);
    if (valid)
        QCOMPARE(FanCurve::fromText(curve->toText(), 3.0), curve);
}

// Curve 40:2,60:5,75:9 with hysteresis 3: level 5 begins at 56.67 °C
// (3 + 2/3 of the way up), level 4 at 50, level 9 at 73.125.
void TestFanCurve::hysteresis_data()
{
    QTest::addColumn<QList<double>>("values");
    QTest::addColumn<QList<int>>("levels");

    QTest::newRow("rising acts at once") << QList<double>{40, 57, 75} << QList<int>{2, 5, 9};
    QTest::newRow("wavering at a point holds") << QList<double>{57, 56, 57, 55} << QList<int>{5, 5, 5, 5};
    QTest::newRow("falls once past the hysteresis")
        << QList<double>{57, 53.7, 53.6} << QList<int>{5, 5, 4};
    QTest::newRow("a long fall lands on the level of value + 3") << QList<double>{75, 45} << QList<int>{9, 3};
    QTest::newRow("first value: no memory") << QList<double>{45} << QList<int>{3};
}

void TestFanCurve::hysteresis()
{
    QFETCH(QList<double>, values);
    QFETCH(QList<int>, levels);

    const auto curve = FanCurve::fromText(QStringLiteral("40:2,60:5,75:9"), 3.0);
    QVERIFY(curve);
    std::optional<int> current;
    QList<int> seen;
    for (const double value : values) {
        current = curve->levelFrom(value, current, 10);
        seen.append(*current);
    }
    QCOMPARE(seen, levels);
}

QTEST_GUILESS_MAIN(TestFanCurve)
#include "tst_fancurve.moc"
