// SPDX-License-Identifier: GPL-3.0-or-later
#include "msgpack.h"

#include <QFile>
#include <QtTest>

#include <limits>

namespace {

// Ext types are signed bytes: this one stands for "no ext item, no warning".
constexpr int kNoExt = 128;

// Variants compare loosely (uint 1 == int 1); the decoder's contract includes
// the exact types, so compare a typed rendering instead.
QString describe(const QVariant& value)
{
    switch (value.userType()) {
    case QMetaType::UnknownType:
        return QStringLiteral("invalid");
    case QMetaType::QVariantList: {
        QStringList items;
        const QVariantList list = value.toList();
        for (const QVariant& item : list)
            items << describe(item);
        return QLatin1Char('[') + items.join(QLatin1Char(',')) + QLatin1Char(']');
    }
    case QMetaType::QVariantMap: {
        QStringList items;
        const QVariantMap map = value.toMap();
        for (auto it = map.constBegin(); it != map.constEnd(); ++it)
            items << it.key() + QLatin1Char(':') + describe(it.value());
        return QLatin1Char('{') + items.join(QLatin1Char(',')) + QLatin1Char('}');
    }
    case QMetaType::QByteArray:
        return QStringLiteral("bin(%1)").arg(QString::fromLatin1(value.toByteArray().toHex()));
    default:
        return QStringLiteral("%1(%2)").arg(QString::fromLatin1(value.typeName()), value.toString());
    }
}

QByteArray fixture(const QString& name)
{
    QFile file(QFINDTESTDATA(QStringLiteral("data/msgpack/%1.msgpack").arg(name)));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray counting(int n)
{
    QByteArray out;
    for (int i = 0; i < n; ++i)
        out.append(char(i & 0xff));
    return out;
}

QVariantList list(std::initializer_list<QVariant> items)
{
    return QVariantList(items);
}

QByteArray nested(char opener, int depth, char innermost)
{
    return QByteArray(depth, opener) + innermost;
}

} // namespace

class TestMsgPack final : public QObject
{
    Q_OBJECT

private slots:
    void independentEncoder_data();
    void independentEncoder();
    void handMade_data();
    void handMade();
    void truncatedAtEveryByte_data();
    void truncatedAtEveryByte();
    void extItemsWarnAndAreSkipped();
};

void TestMsgPack::independentEncoder_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QVariant>("expected");
    QTest::addColumn<int>("extType");

    const QVariantMap config{
        {"Fireware1", QVariantMap{{"FAN_DUTIES_G1", list({0u, 30u, 60u, 100u})},
                                  {"FAN_DUTIES_G2", list({0u, 50u, 100u})}}},
        {"Fireware2", QVariantMap{{"FAN_DUTIES_G1", list({0u, 20u, 300})},
                                  {"Other", QString("ignored")}}},
    };
    QVariantMap map16;
    for (uint i = 0; i < 16; ++i)
        map16.insert(QStringLiteral("k%1").arg(i, 2, 10, QLatin1Char('0')), i);
    QVariantList array16;
    for (uint i = 0; i < 16; ++i)
        array16 << i;
    const QVariantMap document{
        {"list", list({0u, 255, 65536u, -33, -40000, 2.5, QVariant(), true, QString(40, 'x'),
                       counting(5)})},
        {"nested", QVariantMap{{"deeper", QVariantMap{{"deepest",
                                                        list({QVariantList(), QVariantMap(), QString("")})}}}}},
        {"ext", QVariant()},
    };

    const QList<QPair<const char*, QVariant>> rows{
        {"fixint-positive", 127u},
        {"uint8", 200},
        {"uint16", 65535},
        {"uint32", 4294967295u},
        {"uint64", std::numeric_limits<qulonglong>::max()},
        {"fixint-negative", -32},
        {"int8", -128},
        {"int16", -32768},
        {"int32", std::numeric_limits<int>::min()},
        {"int64", std::numeric_limits<qlonglong>::min()},
        {"float32", 1.5f},
        {"float64", 0.1},
        {"nil", QVariant()},
        {"false", false},
        {"true", true},
        {"fixstr", QString("Fireware1")},
        {"str8", QString::fromUtf8("\xe9\xa3\x8e\xe6\x89\x87").repeated(10)},
        {"str16", QString(300, 'a')},
        {"bin8", counting(3)},
        {"bin16", counting(300)},
        {"fixarray", list({1u, -1, QString("a")})},
        {"array16", array16},
        {"fixmap", QVariantMap{{"a", 2u}, {"b", 1u}}},
        {"map16", map16},
        {"config", config},
    };
    for (const auto& row : rows)
        QTest::newRow(row.first) << QString::fromLatin1(row.first) << row.second << kNoExt;
    QTest::newRow("document") << QString("document") << QVariant(document) << 9;
    for (const char* name : {"fixext1", "fixext2", "fixext4", "fixext8", "fixext16"})
        QTest::newRow(name) << QString::fromLatin1(name) << QVariant() << 5;
    for (const char* name : {"ext8", "ext16"})
        QTest::newRow(name) << QString::fromLatin1(name) << QVariant() << -1;
}

void TestMsgPack::independentEncoder()
{
    QFETCH(QString, name);
    QFETCH(QVariant, expected);
    QFETCH(int, extType);
    const QByteArray data = fixture(name);
    QVERIFY(!data.isEmpty());
    if (extType != kNoExt) {
        const QByteArray warning = "MsgPack::unpack() unpacker for type " + QByteArray::number(extType)
            + " doesn't exist";
        QTest::ignoreMessage(QtWarningMsg, warning.constData());
    }
    QCOMPARE(describe(MsgPack::unpack(data)), describe(expected));
}

// Forms an encoder never picks for small values (it always takes the
// shortest), the top-level rules, map keys, and the refusals.
void TestMsgPack::handMade_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QVariant>("expected");

    const auto row = [](const char* name, const QByteArray& hex, const QVariant& expected) {
        QTest::newRow(name) << QByteArray::fromHex(hex) << expected;
    };
    const QVariant invalid;
    row("map a=1", "81a16101", QVariantMap{{"a", 1u}});
    row("list true -1", "92c3ff", list({true, -1}));
    row("uint16 as int", "cdffff", 65535);
    row("int16 -2", "d1fffe", -2);
    row("uint8 small", "cc05", 5);
    row("two top-level items", "0102", list({1u, 2u}));
    row("empty input", "", QVariantList());
    row("never-used code", "c1", invalid);
    row("str32", "db00000002 6869", QString("hi"));
    row("bin32", "c600000002 0102", QByteArray("\x01\x02"));
    row("array32", "dd00000002 0102", list({1u, 2u}));
    row("map32", "df00000001 a1 61 c3", QVariantMap{{"a", true}});
    row("array16 as long as the bytes left", "dc0003 c0c0c0", list({invalid, invalid, invalid}));
    row("keys sorted", "82 a162 01 a161 02", QVariantMap{{"a", 2u}, {"b", 1u}});
    row("repeated key keeps the last", "82 a161 01 a161 02", QVariantMap{{"a", 2u}});
    row("keys converted to text", "83 05 c3 c3 01 90 02",
        QVariantMap{{"5", true}, {"true", 1u}, {"", 2u}});
    row("malformed utf-8 replaced", "a2 c328", QString::fromUtf8("\xc3\x28"));
    row("string longer than the bytes", "a5 6162", invalid);
    row("truncated second item", "01 cd00", invalid);
    row("array32 counting billions", "ddffffffff c0", invalid);
    row("map32 counting billions", "dfffffffff c0c0", invalid);
    row("array16 one item short", "dc0003 c0c0", invalid);
    row("map16 pairs beyond the bytes", "de0002 c0c0c0", invalid);
    row("str32 longer than the bytes", "dbffffffff 61", invalid);
    row("ext32 longer than the bytes", "c9ffffffff 05", invalid);

    QVariant deepest = QVariantList();
    for (int i = 1; i < MsgPack::maxNestingDepth; ++i)
        deepest = QVariantList{deepest};
    QTest::newRow("arrays nested to the limit")
        << nested('\x91', MsgPack::maxNestingDepth - 1, '\x90') << deepest;
    QTest::newRow("arrays nested past the limit")
        << nested('\x91', MsgPack::maxNestingDepth, '\x90') << invalid;
    QTest::newRow("maps nested past the limit")
        << QByteArray::fromHex(QByteArray("81a0").repeated(MsgPack::maxNestingDepth)) + '\x80'
        << invalid;
    QTest::newRow("a million open arrays") << nested('\x91', 1000000, '\x90') << invalid;
}

void TestMsgPack::handMade()
{
    QFETCH(QByteArray, data);
    QFETCH(QVariant, expected);
    QCOMPARE(describe(MsgPack::unpack(data)), describe(expected));
}

void TestMsgPack::truncatedAtEveryByte_data()
{
    QTest::addColumn<QByteArray>("data");
    const QStringList names{"uint64", "int64", "float64", "str16", "bin16", "array16",
                            "map16", "ext16", "fixext16", "config", "document"};
    for (const QString& name : names)
        QTest::newRow(qPrintable(name)) << fixture(name);
}

// Each fixture is one item, so every shorter prefix ends inside it.
void TestMsgPack::truncatedAtEveryByte()
{
    QFETCH(QByteArray, data);
    QVERIFY(!data.isEmpty());
    for (int size = 1; size < data.size(); ++size) {
        const QByteArray prefix(data.constData(), size);
        if (!MsgPack::unpack(prefix).isNull())
            QFAIL(qPrintable(QStringLiteral("a prefix of %1 bytes decoded").arg(size)));
    }
}

void TestMsgPack::extItemsWarnAndAreSkipped()
{
    QTest::ignoreMessage(QtWarningMsg, "MsgPack::unpack() unpacker for type -1 doesn't exist");
    QTest::ignoreMessage(QtWarningMsg, "MsgPack::unpack() unpacker for type 5 doesn't exist");
    const QVariant decoded = MsgPack::unpack(fixture("ext8") + fixture("fixext4") + '\x07');
    QCOMPARE(describe(decoded), describe(list({QVariant(), QVariant(), 7u})));
}

QTEST_GUILESS_MAIN(TestMsgPack)
#include "tst_msgpack.moc"
