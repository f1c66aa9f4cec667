// SPDX-License-Identifier: GPL-3.0-or-later
// The shipped limits, on a clock of the suite's own: the suites that drive
// controllers give their drivers shorter ones so as not to wait them out.
#include "corvanefailurespan.h"

#include <QTest>

namespace {

using Clock = CorvaneFailureSpan::Clock;

struct Exchange
{
    int startMs;
    int endMs;
    bool wentThrough;
};

/// @p count failed exchanges, one every @p periodMs from @p fromMs, each taking @p takesMs.
QVector<Exchange> failures(int fromMs, int count, int periodMs, int takesMs = 0)
{
    QVector<Exchange> exchanges;
    for (int i = 0; i < count; ++i)
        exchanges.append({fromMs + i * periodMs, fromMs + i * periodMs + takesMs, false});
    return exchanges;
}

Clock::time_point at(Clock::time_point origin, int ms)
{
    return origin + std::chrono::milliseconds(ms);
}

void record(CorvaneFailureSpan &span, Clock::time_point origin, const QVector<Exchange> &exchanges)
{
    for (const Exchange &exchange : exchanges)
        span.record(exchange.wentThrough, at(origin, exchange.startMs), at(origin, exchange.endMs));
}

} // namespace

Q_DECLARE_METATYPE(Exchange)

class TestCorvaneFailureSpan : public QObject
{
    Q_OBJECT

private slots:
    void unansweredAfterTenSeconds_data();
    void unansweredAfterTenSeconds();
    void failingForThreeSecondsAfterAFailure();
    void shorterLimits();
};

void TestCorvaneFailureSpan::unansweredAfterTenSeconds_data()
{
    QTest::addColumn<QVector<Exchange>>("exchanges");
    QTest::addColumn<bool>("unanswered");

    QTest::newRow("polls a second apart for 10 s") << failures(0, 11, 1000) << true;
    QTest::newRow("polls a second apart for 9 s") << failures(0, 10, 1000) << false;
    QTest::newRow("two kernel timeouts") << failures(0, 2, 5000, 5000) << true;
    QTest::newRow("one kernel timeout") << failures(0, 1, 5000, 5000) << false;
    QTest::newRow("a 3 s lull starts a new run") << failures(0, 7, 1000) + failures(9000, 8, 1000) << false;
    QTest::newRow("a lull just under 3 s does not") << failures(0, 7, 1000) + failures(8999, 2, 1001) << true;
    QVector<Exchange> mixed;
    for (int ms = 0; ms <= 10000; ms += 1000)
        mixed << Exchange{ms, ms, false} << Exchange{ms + 500, ms + 500, true};
    QTest::newRow("commands going through in between") << mixed << true;
}

void TestCorvaneFailureSpan::unansweredAfterTenSeconds()
{
    QFETCH(QVector<Exchange>, exchanges);
    QFETCH(bool, unanswered);

    CorvaneFailureSpan span;
    record(span, Clock::now(), exchanges);
    QCOMPARE(span.unanswered(), unanswered);
    span.reset();
    QVERIFY(!span.unanswered());
}

void TestCorvaneFailureSpan::failingForThreeSecondsAfterAFailure()
{
    CorvaneFailureSpan span;
    const Clock::time_point origin = Clock::now();
    QVERIFY(!span.failing(origin));
    record(span, origin, failures(0, 1, 0, 5000));
    QVERIFY(span.failing(at(origin, 7999)));
    QVERIFY(!span.failing(at(origin, 8000)));
    span.reset();
    QVERIFY(!span.failing(at(origin, 5000)));
}

void TestCorvaneFailureSpan::shorterLimits()
{
    using namespace std::chrono_literals;
    CorvaneFailureSpan span(300ms, 1000ms);
    const Clock::time_point origin = Clock::now();
    record(span, origin, failures(0, 5, 200) + failures(1100, 1, 0));
    QVERIFY(!span.unanswered());
    QVERIFY(!span.failing(at(origin, 1400)));
    record(span, origin, failures(1300, 5, 250));
    QVERIFY(span.unanswered());
}

QTEST_GUILESS_MAIN(TestCorvaneFailureSpan)
#include "tst_corvanefailurespan.moc"
