// SPDX-License-Identifier: GPL-3.0-or-later
#include "msgpack.h"
#include "signature.h"
#include "testsigning.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

#include <openssl/bn.h>
#include <openssl/core_names.h>
#include <openssl/evp.h>
#include <openssl/pem.h>

namespace {

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString& path, const QByteArray& contents)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(contents) == contents.size();
}

bool runTool(const QString& program, const QStringList& arguments)
{
    QProcess tool;
    tool.start(program, arguments);
    return tool.waitForFinished(120000) && tool.exitStatus() == QProcess::NormalExit
        && tool.exitCode() == 0;
}

QList<int> ints(const QVariant& list)
{
    QList<int> result;
    const QVariantList items = list.toList();
    for (const QVariant& item : items)
        result << item.toInt();
    return result;
}

// p and q sizes of the DSA public key in a PEM file; {0, 0} when unreadable.
QPair<int, int> dsaSizes(const QByteArray& pem)
{
    BIO* bio = BIO_new_mem_buf(pem.constData(), pem.size());
    EVP_PKEY* key = bio ? PEM_read_bio_PUBKEY(bio, nullptr, nullptr, nullptr) : nullptr;
    BIGNUM* q = nullptr;
    QPair<int, int> sizes{0, 0};
    if (key && EVP_PKEY_get_base_id(key) == EVP_PKEY_DSA
        && EVP_PKEY_get_bn_param(key, OSSL_PKEY_PARAM_FFC_Q, &q) == 1)
        sizes = {EVP_PKEY_get_bits(key), BN_num_bits(q)};
    BN_free(q);
    EVP_PKEY_free(key);
    BIO_free(bio);
    return sizes;
}

} // namespace

// What every build ships, checked with the key it compiled in, and the two
// tools that made it.
class TestSignedConfig final : public QObject
{
    Q_OBJECT

private slots:
    void shippedConfigurationVerifies_data();
    void shippedConfigurationVerifies();
    void shippedConfigurationMatchesItsSource();
    void keytoolInteroperatesWithOpenssl();
    void configpackerPicksShortestForms_data();
    void configpackerPicksShortestForms();
    void configpackerRefusesBadInput_data();
    void configpackerRefusesBadInput();
};

void TestSignedConfig::shippedConfigurationVerifies_data()
{
    QTest::addColumn<QString>("dir");
    QTest::newRow("program") << QStringLiteral(CORVANE_BUILD_DIR);
    QTest::newRow("simulated program") << QStringLiteral(CORVANE_BUILD_DIR "/sim");
}

void TestSignedConfig::shippedConfigurationVerifies()
{
    QFETCH(QString, dir);
    const QString conf = dir + QStringLiteral("/cv2global.conf");
    QVERIFY(verifyFileSignature(conf, conf + QStringLiteral(".sig")));
}

// The tables follow the controllers: ten levels from 0 % to 100 %, rising,
// and no duty between 0 and 40 % for the v1100 family, which stops a fan
// there.
void TestSignedConfig::shippedConfigurationMatchesItsSource()
{
    if (!QStringLiteral(CORVANE_CUSTOM_CONFIG).isEmpty())
        QSKIP("the build ships a configuration of its own");
    const QVariantMap conf =
        MsgPack::unpack(readFile(QStringLiteral(CORVANE_BUILD_DIR "/cv2global.conf"))).toMap();
    const QJsonObject source =
        QJsonDocument::fromJson(readFile(QStringLiteral(CORVANE_CONFIG_JSON))).object();
    QCOMPARE(conf.keys(), QStringList({"Fireware1", "Fireware2"}));
    for (const QString& section : conf.keys()) {
        for (const QString& group : {QStringLiteral("FAN_DUTIES_G1"), QStringLiteral("FAN_DUTIES_G2")}) {
            const QList<int> table = ints(conf.value(section).toMap().value(group));
            QCOMPARE(table, ints(source.value(section).toObject().value(group).toArray().toVariantList()));
            QCOMPARE(table.size(), 10);
            QCOMPARE(table.first(), 0);
            QCOMPARE(table.last(), 100);
            for (int level = 1; level < table.size(); ++level) {
                QVERIFY(table.at(level) > table.at(level - 1));
                QVERIFY(section != QLatin1String("Fireware1") || table.at(level) >= 40);
            }
        }
    }
}

void TestSignedConfig::keytoolInteroperatesWithOpenssl()
{
    QTemporaryDir dir;
    const QString privateKey = dir.filePath(QStringLiteral("private.pem"));
    const QString publicKey = dir.filePath(QStringLiteral("public.pem"));
    // A key file that is overwritten must lose the mode it had.
    QVERIFY(writeFile(privateKey, "old key"));
    QVERIFY(QFile::setPermissions(privateKey, QFile::permissions(privateKey) | QFile::ReadGroup | QFile::ReadOther));
    QVERIFY(runTool(QStringLiteral(CORVANE_KEYTOOL), {"genkey", privateKey, publicKey}));
    QCOMPARE(dsaSizes(readFile(publicKey)), qMakePair(2048, 256));
    QCOMPARE(QFileInfo(privateKey).permissions() & (QFile::ReadGroup | QFile::ReadOther),
             QFileDevice::Permissions());

    const QString data = dir.filePath(QStringLiteral("splash_0.png"));
    QVERIFY(writeFile(data, QByteArray(10000, 'p')));
    QVERIFY(runTool(QStringLiteral(CORVANE_KEYTOOL), {"sign", privateKey, data}));
    const QStringList verify{"dgst", "-sha256", "-verify", publicKey, "-signature", data + ".sig", data};
    QVERIFY(TestSigning::runOpenssl(verify));
    QVERIFY(writeFile(data, QByteArray(10000, 'q')));
    QVERIFY(!TestSigning::runOpenssl(verify));
}

void TestSignedConfig::configpackerPicksShortestForms_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<QByteArray>("hex");

    const QList<QPair<const char*, const char*>> values{
        {"0", "00"}, {"127", "7f"}, {"128", "cc80"}, {"255", "ccff"}, {"256", "cd0100"},
        {"65535", "cdffff"}, {"65536", "ce00010000"}, {"4294967295", "ceffffffff"},
        {"4294967296", "cf0000000100000000"}, {"-1", "ff"}, {"-32", "e0"}, {"-33", "d0df"},
        {"-128", "d080"}, {"-129", "d1ff7f"}, {"-32768", "d18000"}, {"-32769", "d2ffff7fff"},
        {"-2147483649", "d3ffffffff7fffffff"}, {"1.5", "ca3fc00000"}, {"0.1", "cb3fb999999999999a"},
        {"true", "c3"}, {"null", "c0"}, {"\"\"", "a0"}, {"[]", "90"}, {"{}", "80"},
        {"[1,[2,{\"k\":3}]]", "92 01 92 02 81a16b 03"},
    };
    for (const auto& value : values)
        QTest::newRow(value.first) << QByteArray("{\"v\":") + value.first + '}'
                                   << QByteArray("81a176") + value.second;
    const QByteArray letters31(31, 'x');
    QTest::newRow("31 letters") << "{\"v\":\"" + letters31 + "\"}" << "81a176bf" + letters31.toHex();
    QTest::newRow("32 letters") << "{\"v\":\"" + letters31 + "x\"}" << "81a176d920" + letters31.toHex() + "78";
    QByteArray sixteen = "[0";
    for (int i = 1; i < 16; ++i)
        sixteen += ',' + QByteArray::number(i);
    QTest::newRow("16 items") << "{\"v\":" + sixteen + "]}" << "81a176dc0010" + QByteArray::fromHex(
                                     "000102030405060708090a0b0c0d0e0f").toHex();
    QTest::newRow("keys in order") << QByteArray("{\"b\":1,\"a\":2}") << QByteArray("82a16102a16201");
}

void TestSignedConfig::configpackerPicksShortestForms()
{
    QFETCH(QByteArray, json);
    QFETCH(QByteArray, hex);
    QTemporaryDir dir;
    const QString input = dir.filePath(QStringLiteral("in.json"));
    const QString output = dir.filePath(QStringLiteral("out.conf"));
    QVERIFY(writeFile(input, json));
    QVERIFY(runTool(QStringLiteral(CORVANE_CONFIGPACKER), {input, output}));
    QCOMPARE(readFile(output).toHex(), QByteArray::fromHex(hex).toHex());
}

void TestSignedConfig::configpackerRefusesBadInput_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::newRow("not an object") << QByteArray("[1, 2]");
    QTest::newRow("malformed") << QByteArray("{\"Fireware1\": ");
}

void TestSignedConfig::configpackerRefusesBadInput()
{
    QFETCH(QByteArray, json);
    QTemporaryDir dir;
    const QString input = dir.filePath(QStringLiteral("in.json"));
    const QString output = dir.filePath(QStringLiteral("out.conf"));
    QVERIFY(writeFile(input, json));
    QVERIFY(!runTool(QStringLiteral(CORVANE_CONFIGPACKER), {input, output}));
    QVERIFY(!QFile::exists(output));
}

QTEST_GUILESS_MAIN(TestSignedConfig)
#include "tst_signedconfig.moc"
