// SPDX-License-Identifier: GPL-3.0-or-later
#include "corvaneledlawreader.h"
#include "msgpackbuilder.h"

#include <QFile>
#include <QTest>

using namespace MsgPackBuilder;

namespace {

CorvaneLEDLaw sampleLaw()
{
    CorvaneLEDLaw law;
    law.intervalTimeMS = 50;
    law.lawCount = 64;
    for (int i = 0; i < CorvaneLEDLaw::StepCount; ++i) {
        law.CH1[i] = char(i);
        law.CH2[i] = char(255 - i);
        law.CH3[i] = char(i * 7);
    }
    return law;
}

QByteArray repeated(const QByteArray &bytes, int times)
{
    QByteArray out;
    for (int i = 0; i < times; ++i)
        out += bytes;
    return out;
}

/// A channel array of 256 whose element @p at is replaced by @p element.
QByteArray channelWith(const QByteArray &steps, int at, const QByteArray &element)
{
    QByteArray out = array(steps.size());
    for (int i = 0; i < steps.size(); ++i)
        out += i == at ? element : uinteger(quint8(steps.at(i)));
    return out;
}

/// True when @p actual is a leading part of @p whole followed by zeros.
bool isPrefixThenZeros(const QByteArray &actual, const QByteArray &whole)
{
    int i = 0;
    while (i < actual.size() && actual.at(i) == whole.at(i))
        ++i;
    return actual.mid(i).count('\0') == actual.size() - i;
}

QByteArray keepBefore(const QByteArray &steps, int count)
{
    return steps.left(count) + QByteArray(steps.size() - count, '\0');
}

QByteArray readResource(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestCorvaneLEDLawReader : public QObject
{
    Q_OBJECT

private slots:
    void read_data();
    void read();
    void truncatedShippedFile_data();
    void truncatedShippedFile();
    void shippedFiles_data();
    void shippedFiles();
    void shippedSolidGreen();
    void shippedBreathingValues();
    void shippedEncodingIsShortest();

private:
    void addRow(const char *name, const QByteArray &bytes, bool ok, const CorvaneLEDLaw &expected);
};

void TestCorvaneLEDLawReader::addRow(const char *name, const QByteArray &bytes, bool ok, const CorvaneLEDLaw &expected)
{
    QTest::newRow(name) << bytes << ok << expected.intervalTimeMS << expected.lawCount << expected.CH1
                        << expected.CH2 << expected.CH3;
}

void TestCorvaneLEDLawReader::read_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<quint16>("interval");
    QTest::addColumn<quint16>("count");
    QTest::addColumn<QByteArray>("ch1");
    QTest::addColumn<QByteArray>("ch2");
    QTest::addColumn<QByteArray>("ch3");

    const CorvaneLEDLaw law = sampleLaw();
    const QByteArrayList e = lawEntries(law);   // interval, count, CH1, CH2, CH3
    const CorvaneLEDLaw none;

    // Key order and encodings
    addRow("file order", document(e), true, law);
    addRow("reverse order", document({e[4], e[3], e[2], e[1], e[0]}), true, law);
    addRow("channels first", document({e[2], e[3], e[4], e[0], e[1]}), true, law);
    addRow("map 16 header", sized(0xde, 5, 2) + e.join(), true, law);
    addRow("map 32 header", sized(0xdf, 5, 4) + e.join(), true, law);
    addRow("trailing bytes ignored", document(e) + "\xc1 trailing", true, law);
    {
        QByteArray ch3 = sized(0xdd, 256, 4);
        for (const char step : law.CH3)
            ch3 += sized(0xd1, quint8(step), 2);
        addRow("CH3 as array 32 of int 16", document({e[0], e[1], e[2], e[3], entry("CH3", ch3)}), true, law);
    }

    // Missing keys
    {
        CorvaneLEDLaw expected = law;
        expected.CH3 = none.CH3;
        addRow("missing CH3", document(e.mid(0, 4)), false, expected);
    }
    {
        CorvaneLEDLaw expected = law;
        expected.intervalTimeMS = 0;
        addRow("missing interval", document(e.mid(1)), false, expected);
    }

    // Other entries are skipped whatever they hold
    const std::pair<const char *, QByteArray> others[] = {
        {"extra nil", QByteArray("\xc0", 1)},
        {"extra bools", array(2) + "\xc2\xc3"},
        {"extra negative fixint", QByteArray("\xe0", 1)},
        {"extra int 64", sized(0xd3, quint64(-5), 8)},
        {"extra uint 64", sized(0xcf, ~0ull, 8)},
        {"extra float 32", sized(0xca, 0x3f800000, 4)},
        {"extra float 64", sized(0xcb, 0x3ff0000000000000ull, 8)},
        {"extra fixstr", str("a comment")},
        {"extra str 8", sized(0xd9, 3, 1) + "abc"},
        {"extra str 16", sized(0xda, 300, 2) + QByteArray(300, 'x')},
        {"extra str 32", sized(0xdb, 4, 4) + "abcd"},
        {"extra bin 8", sized(0xc4, 2, 1) + "\x85\x85"},
        {"extra bin 16", sized(0xc5, 2, 2) + "\xdc\xdc"},
        {"extra bin 32", sized(0xc6, 1, 4) + "\xdf"},
        {"extra ext 8", sized(0xc7, 2, 1) + "\x01\xa3\xa3"},
        {"extra ext 16", sized(0xc8, 1, 2) + "\x01\x90"},
        {"extra ext 32", sized(0xc9, 1, 4) + "\x01\x80"},
        {"extra fixext 1", QByteArray("\xd4\x01\xa3", 3)},
        {"extra fixext 2", QByteArray("\xd5\x01\xa3\xa3", 4)},
        {"extra fixext 4", QByteArray("\xd6\x01", 2) + QByteArray(4, '\x93')},
        {"extra fixext 8", QByteArray("\xd7\x01", 2) + QByteArray(8, '\x93')},
        {"extra fixext 16", QByteArray("\xd8\x01", 2) + QByteArray(16, '\x93')},
        {"extra array 32", sized(0xdd, 2, 4) + uinteger(1) + str("CH1")},
        {"extra nested map", map(2) + str("CH1") + map(1) + uinteger(1) + array(2) + str("CH2") + uinteger(3)
                                 + sized(0xde, 1, 2) + str("LED_LawCount") + uinteger(9) + str("v")},
        {"extra map keyed by maps", map(1) + map(1) + uinteger(1) + uinteger(2) + array(0)},
        {"extra 100000 nested arrays", repeated(array(1), 100000) + QByteArray("\xc0", 1)},
        {"extra 100000 nested maps", repeated(map(1) + uinteger(0), 100000) + QByteArray("\xc0", 1)},
    };
    for (const auto &[name, value] : others)
        addRow(name, document({e[0], e[1], entry("Comment", value), e[2], e[3], e[4]}), true, law);
    addRow("extra entries first and last",
           document({entry("A", str("x")), e[0], e[1], e[2], e[3], e[4], entry("B", str("y"))}), true, law);
    addRow("repeated unknown key", document({entry("A", uinteger(1)), entry("A", uinteger(2)), e[0], e[1], e[2], e[3], e[4]}),
           true, law);
    addRow("non-string key", map(6) + uinteger(7) + channel(QByteArray(256, '\x01')) + e.join(), true, law);
    addRow("map as key", map(6) + map(1) + str("CH1") + uinteger(1) + str("CH1") + e.join(), true, law);
    addRow("keys differing in case, space or NUL are other keys",
           document({entry("ch1", uinteger(1)), entry("CH1 ", uinteger(1)), entry(QByteArray("CH1\0", 4), uinteger(1)), e[0],
                     e[1], e[2], e[3], e[4]}),
           true, law);
    {
        CorvaneLEDLaw expected = law;
        expected.CH1 = none.CH1;
        addRow("lower-case key only", document({e[0], e[1], entry("ch1", channel(law.CH1)), e[3], e[4]}), false,
               expected);
    }

    // Duplicates stop the reader
    addRow("duplicate after all five",
           document({e[0], e[1], e[2], e[3], e[4], entry("CH1", channel(QByteArray(256, '\x09')))}), true, law);
    {
        CorvaneLEDLaw expected = law;
        expected.CH2 = none.CH2;
        expected.CH3 = none.CH3;
        addRow("duplicate before all five",
               document({e[0], e[2], e[1], entry("CH1", channel(QByteArray(256, '\x09'))), e[3], e[4]}), false,
               expected);
    }

    // Channel arrays of the wrong length or kind
    {
        CorvaneLEDLaw expected = law;
        expected.CH2 = none.CH2;
        const QByteArray shortCh2 = entry("CH2", channel(law.CH2.left(255)));
        addRow("short CH2 last", document({e[0], e[1], e[2], e[4], shortCh2}), true, expected);
        addRow("long CH2 last", document({e[0], e[1], e[2], e[4], entry("CH2", channel(law.CH2 + '\x01'))}), true,
               expected);
        addRow("CH2 as bin last", document({e[0], e[1], e[2], e[4], entry("CH2", sized(0xc5, 256, 2) + law.CH2)}),
               true, expected);
        expected.CH3 = none.CH3;
        addRow("short CH2 before CH3", document({e[0], e[1], e[2], shortCh2, e[4]}), false, expected);
    }

    // Values out of range
    {
        CorvaneLEDLaw expected = law;
        expected.lawCount = 0;
        addRow("count 65536 last", document({e[0], e[2], e[3], e[4], entry("LED_LawCount", uinteger(65536))}), true,
               expected);
        addRow("count -1 last", document({e[0], e[2], e[3], e[4], entry("LED_LawCount", QByteArray("\xff", 1))}),
               true, expected);
        addRow("count -1 as int 8 last",
               document({e[0], e[2], e[3], e[4], entry("LED_LawCount", sized(0xd0, 0xff, 1))}), true, expected);
        addRow("count as float last",
               document({e[0], e[2], e[3], e[4], entry("LED_LawCount", sized(0xca, 0x42800000, 4))}), true, expected);
        addRow("count as string last", document({e[0], e[2], e[3], e[4], entry("LED_LawCount", str("64"))}), true,
               expected);
        expected.CH3 = none.CH3;
        addRow("count 65536 before CH3", document({e[0], e[2], e[3], entry("LED_LawCount", uinteger(65536)), e[4]}),
               false, expected);
    }
    {
        CorvaneLEDLaw expected = law;
        expected.CH3 = keepBefore(law.CH3, 10);
        addRow("element 256 in CH3 last",
               document({e[0], e[1], e[2], e[3], entry("CH3", channelWith(law.CH3, 10, uinteger(256)))}), true, expected);
        expected = law;
        expected.CH1 = keepBefore(law.CH1, 200);
        expected.CH2 = none.CH2;
        expected.CH3 = none.CH3;
        addRow("element -1 in CH1 before CH2",
               document({e[0], e[1], entry("CH1", channelWith(law.CH1, 200, sized(0xd0, 0xff, 1))), e[3], e[4]}),
               false, expected);
    }

    // Every integer encoding of an in-range value
    const std::pair<const char *, QByteArray> intervals[] = {
        {"interval as fixint", uinteger(100)},
        {"interval as uint 8", sized(0xcc, 100, 1)},
        {"interval as uint 16", sized(0xcd, 100, 2)},
        {"interval as uint 32", sized(0xce, 100, 4)},
        {"interval as uint 64", sized(0xcf, 100, 8)},
        {"interval as int 8", sized(0xd0, 100, 1)},
        {"interval as int 16", sized(0xd1, 100, 2)},
        {"interval as int 32", sized(0xd2, 100, 4)},
        {"interval as int 64", sized(0xd3, 100, 8)},
    };
    for (const auto &[name, value] : intervals) {
        CorvaneLEDLaw expected = law;
        expected.intervalTimeMS = 100;
        addRow(name, document({entry("LED_IntervalTimeMS", value), e[1], e[2], e[3], e[4]}), true, expected);
    }
    {
        CorvaneLEDLaw expected = law;
        expected.intervalTimeMS = 65535;
        addRow("interval 65535 as int 32", document({entry("LED_IntervalTimeMS", sized(0xd2, 65535, 4)), e[1], e[2],
                                                     e[3], e[4]}),
               true, expected);
    }

    // Maps too large, or not maps at all
    {
        QByteArrayList entries = e;
        for (int i = 0; i < 95; ++i)
            entries << entry("Pad" + QByteArray::number(i), uinteger(0));
        addRow("100 entries", document(entries), true, law);
        entries << entry("Pad", uinteger(0));
        addRow("101 entries", document(entries), false, none);
    }
    addRow("map 32 of 4294967295 entries", sized(0xdf, 0xffffffffu, 4) + e.join(), false, none);
    addRow("top-level array", array(5) + e.join(), false, none);
    addRow("empty input", QByteArray(), false, none);

    // Lengths that point past the end
    {
        CorvaneLEDLaw expected = law;
        expected.CH3 = none.CH3;
        addRow("key of str 32 past the end", map(5) + e.mid(0, 4).join() + sized(0xdb, 0xffffffffu, 4) + "CH3", false,
               expected);
        addRow("value of bin 32 past the end", map(6) + e.mid(0, 4).join() + str("X") + sized(0xc6, 0xfffffff0u, 4),
               false, expected);
        addRow("100000 nested arrays cut short",
               map(6) + e.mid(0, 4).join() + str("X") + repeated(array(1), 100000), false, expected);
        addRow("unused marker in a skipped value", document(e.mid(0, 4) + QByteArrayList{entry("X", "\xc1"), e[4]}),
               false, expected);
    }
}

void TestCorvaneLEDLawReader::read()
{
    QFETCH(QByteArray, bytes);
    CorvaneLEDLaw law;
    law.intervalTimeMS = 1;   // the reader must reset what it is given
    law.CH1.fill('\x7f');

    QTEST(CorvaneLEDLawReader::read(bytes, &law), "ok");
    QTEST(law.intervalTimeMS, "interval");
    QTEST(law.lawCount, "count");
    QTEST(law.CH1, "ch1");
    QTEST(law.CH2, "ch2");
    QTEST(law.CH3, "ch3");
}

void TestCorvaneLEDLawReader::truncatedShippedFile_data()
{
    QTest::addColumn<QString>("path");
    QTest::newRow("cns0") << QStringLiteral(":/res/ledfiles/cns0.adl");
    QTest::newRow("brt8") << QStringLiteral(":/res/ledfiles/brt8.adl");
    QTest::newRow("cyc") << QStringLiteral(":/res/ledfiles/cyc.adl");
}

void TestCorvaneLEDLawReader::truncatedShippedFile()
{
    QFETCH(QString, path);
    const QByteArray file = readResource(path);
    QVERIFY(!file.isEmpty());
    CorvaneLEDLaw whole;
    QVERIFY(CorvaneLEDLawReader::read(file, &whole));
    // The last key counts as met once its name is read, whatever follows.
    const int lastKeyEnd = file.indexOf("\xa3" "CH3") + 4;

    for (int length = 0; length < file.size(); ++length) {
        CorvaneLEDLaw law;
        const bool ok = CorvaneLEDLawReader::read(file.left(length), &law);
        QCOMPARE(ok, length >= lastKeyEnd);
        if (ok) {
            QCOMPARE(law.intervalTimeMS, whole.intervalTimeMS);
            QCOMPARE(law.lawCount, whole.lawCount);
            QCOMPARE(law.CH1, whole.CH1);
            QCOMPARE(law.CH2, whole.CH2);
            QVERIFY(isPrefixThenZeros(law.CH3, whole.CH3));
        }
    }
}

void TestCorvaneLEDLawReader::shippedFiles_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<quint16>("interval");
    QTest::addColumn<quint16>("count");
    QTest::addColumn<int>("usedSteps");
    for (int n = 0; n < 14; ++n) {
        QTest::addRow("cns%d", n) << QStringLiteral("cns%1").arg(n) << quint16(1000) << quint16(2) << 3;
        QTest::addRow("brt%d", n) << QStringLiteral("brt%1").arg(n) << quint16(50) << quint16(64) << 60;
    }
    QTest::newRow("cyc") << QStringLiteral("cyc") << quint16(50) << quint16(14) << 14;
}

void TestCorvaneLEDLawReader::shippedFiles()
{
    QFETCH(QString, name);
    QFETCH(int, usedSteps);
    const QByteArray file = readResource(QStringLiteral(":/res/ledfiles/%1.adl").arg(name));
    QVERIFY2(file.size() >= 829 && file.size() <= 920, qPrintable(QString::number(file.size())));

    CorvaneLEDLaw law;
    QVERIFY(CorvaneLEDLawReader::read(file, &law));
    QTEST(law.intervalTimeMS, "interval");
    QTEST(law.lawCount, "count");
    for (const QByteArray &channel : law.channels())
        QCOMPARE(channel.mid(usedSteps), QByteArray(256 - usedSteps, '\0'));

    // Solid, breathing and cycle laws show the same palette: the solid
    // colour's steps, the breath's peak (step 20) and the cycle's step n.
    CorvaneLEDLaw cycle;
    QVERIFY(CorvaneLEDLawReader::read(readResource(QStringLiteral(":/res/ledfiles/cyc.adl")), &cycle));
    const int colour = name.mid(3).toInt();
    const int peak = name.startsWith(QLatin1String("brt")) ? 20 : 0;
    if (name != QLatin1String("cyc")) {
        const auto expected = QVector<QByteArray>{cycle.CH1.mid(colour, 1), cycle.CH2.mid(colour, 1),
                                                  cycle.CH3.mid(colour, 1)};
        for (int c = 0; c < 3; ++c)
            QCOMPARE(law.channels().at(c).mid(peak, 1), expected.at(c));
    }
    if (name.startsWith(QLatin1String("cns"))) {
        for (const QByteArray &channel : law.channels())
            QCOMPARE(channel.left(3), QByteArray(3, channel.at(0)));
    }
}

void TestCorvaneLEDLawReader::shippedSolidGreen()
{
    CorvaneLEDLaw law;
    QVERIFY(CorvaneLEDLawReader::read(readResource(QStringLiteral(":/res/ledfiles/cns0.adl")), &law));
    QCOMPARE(law.intervalTimeMS, quint16(1000));
    QCOMPARE(law.lawCount, quint16(2));
    QCOMPARE(law.CH1, QByteArray(256, '\0'));
    QCOMPARE(law.CH2, QByteArray(3, '\xff') + QByteArray(253, '\0'));
    QCOMPARE(law.CH3, QByteArray(256, '\0'));
}

void TestCorvaneLEDLawReader::shippedBreathingValues()
{
    // brt7 is (255, 80, 80): red follows the curve itself, green and blue
    // are scaled by 80/255 and rounded to nearest.
    CorvaneLEDLaw law;
    QVERIFY(CorvaneLEDLawReader::read(readResource(QStringLiteral(":/res/ledfiles/brt7.adl")), &law));
    const int steps[] = {0, 1, 10, 20, 21, 45, 59, 60};
    const int red[] = {0, 1, 70, 255, 254, 129, 10, 0};
    const int green[] = {0, 0, 22, 80, 80, 40, 3, 0};
    for (int i = 0; i < 8; ++i) {
        QCOMPARE(quint8(law.CH1.at(steps[i])), red[i]);
        QCOMPARE(quint8(law.CH2.at(steps[i])), green[i]);
        QCOMPARE(law.CH3.at(steps[i]), law.CH2.at(steps[i]));
    }
}

void TestCorvaneLEDLawReader::shippedEncodingIsShortest()
{
    const QByteArray file = readResource(QStringLiteral(":/res/ledfiles/cns0.adl"));
    const QByteArray head = QByteArray("\x85\xb2LED_IntervalTimeMS\xcd\x03\xe8\xacLED_LawCount\x02\xa3" "CH1\xdc\x01\x00",
                                       1 + 19 + 3 + 13 + 1 + 4 + 3);
    QCOMPARE(file.left(head.size()), head);
    QCOMPARE(file.size(), 829);   // 255 takes two bytes, every zero one
}

QTEST_GUILESS_MAIN(TestCorvaneLEDLawReader)
#include "tst_corvaneledlawreader.moc"
