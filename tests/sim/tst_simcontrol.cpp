// SPDX-License-Identifier: GPL-3.0-or-later
// The control FIFO: lines written from outside reach the bus and its hot-plug
// listeners on the thread that runs the event loop; faults and the cut-off of
// an unplugged controller act on the wire at once, even while that loop is busy.
#include "simtestutil.h"

#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <functional>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

using namespace CorvaneSim;
using namespace SimTest;

class TestSimControl : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void plugAndUnplugReachListeners();
    void faultLines();
    void faultActsAtOnce();
    void stalledFanStaysStill();
    void unplugCutsOffAtOnce();
    void badLinesAreSkipped();
    void oneReaderPerFifo();
    void refusedFifos_data();
    void refusedFifos();
    void overlongLinesAreDropped_data();
    void overlongLinesAreDropped();

private:
    void write(const QByteArray &text);
    // Waits without turning the event loop, as a program blocked in an upload does.
    static bool blockUntil(const std::function<bool()> &condition);

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<QObject> m_owner;
    QString m_fifo;
    QStringList m_heard;
    int m_listener = 0;
    bool m_offThread = false;
};

void TestSimControl::init()
{
    Bus::instance().reset();
    m_dir = std::make_unique<QTemporaryDir>();
    m_owner = std::make_unique<QObject>();
    m_fifo = m_dir->filePath(QStringLiteral("control"));
    m_heard.clear();
    m_offThread = false;
    m_listener = Bus::instance().addHotplugListener([this](bool arrived, const QString &path) {
        m_offThread |= QThread::currentThread() != thread();
        m_heard.append((arrived ? QLatin1String("+") : QLatin1String("-")) + path);
    });
    QVERIFY(Bus::instance().startControlChannel(m_owner.get(), m_fifo));
}

void TestSimControl::cleanup()
{
    Bus::instance().removeHotplugListener(m_listener);
    m_owner.reset();
    m_dir.reset();
}

void TestSimControl::write(const QByteArray &text)
{
    QFile fifo(m_fifo);
    QVERIFY(fifo.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
    QCOMPARE(fifo.write(text), qint64(text.size()));
}

bool TestSimControl::blockUntil(const std::function<bool()> &condition)
{
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() > 10000)
            return false;
        QThread::msleep(5);
    }
    return true;
}

void TestSimControl::plugAndUnplugReachListeners()
{
    write("plug v1100,fw=0x1105,interfaces=2\nplug v2000\n");
    QTRY_COMPARE(m_heard, (QStringList{"+sim:1:0", "+sim:1:1", "+sim:2:0"}));
    QCOMPARE(state(1).config.protocol, Protocol::V1100);
    QCOMPARE(state(1).config.firmwareVersion, quint16(0x1105));

    // A line may arrive in pieces.
    write("unplug sim:1");
    write(":1\n");
    QTRY_COMPARE(m_heard.size(), 5);
    QCOMPARE(m_heard.mid(3), (QStringList{"-sim:1:0", "-sim:1:1"}));
    QCOMPARE(Bus::instance().paths(), QStringList{"sim:2:0"});
    QVERIFY(!m_offThread);
}

void TestSimControl::faultLines()
{
    plug(QStringLiteral("v2000"));
    const Handle device = open(QStringLiteral("sim:1:0"));
    const QByteArray status = get(device.get(), 1);
    write("fault sim:1:0 get 2\nfault sim:1:0 send\nfault sim:1:0 garbage 1\nplug v2000\n");
    QTRY_COMPARE(m_heard.size(), 2);   // the last line has been handled

    QString seen;
    for (int i = 0; i < 4; ++i) {
        int result = 0;
        const QByteArray reply = get(device.get(), 1, &result);
        seen += result < 0 ? QLatin1Char('-') : reply == status ? QLatin1Char('+') : QLatin1Char('?');
    }
    seen += send(device.get(), report("06 a0 c0 30 a1")) < 0 ? QLatin1Char('-') : QLatin1Char('+');
    QCOMPARE(seen, QStringLiteral("--?+-"));

    Bus::instance().setSilentDelayMs(1);
    write("fault sim:1:0 silent\nunplug sim:2:0\n");
    QTRY_COMPARE(m_heard.size(), 3);
    QCOMPARE(send(device.get(), report("06 a0 c0 30 a1")), -1);
    QCOMPARE(state(1).saveCount, 0);
}

void TestSimControl::stalledFanStaysStill()
{
    plug(QStringLiteral("v2000,hw=22"));
    const Handle device = open(QStringLiteral("sim:1:0"));
    QVERIFY(send(device.get(), report("06 a0 b0 02 b0 50 c0 10 a1")) >= 0);
    QVERIFY(state(1).fanRpm[2] > 0);

    write("fault sim:1:0 stall 2\n");
    QVERIFY(blockUntil([] { return state(1).fanRpm[2] == 0; }));
    QVERIFY(send(device.get(), report("06 a0 b0 02 b0 64 c0 10 a1")) >= 0);
    QCOMPARE(state(1).fanRpm[2], 0u);
    QCOMPARE(state(1).live.fanDuty[2], quint8(100));
}

void TestSimControl::faultActsAtOnce()
{
    plug(QStringLiteral("v2000"));
    const Handle device = open(QStringLiteral("sim:1:0"));
    const QByteArray save = report("06 a0 c0 30 a1");
    write("fault sim:1:0 send 2\n");
    QVERIFY(blockUntil([&] { return send(device.get(), save) < 0; }));
    QCOMPARE(send(device.get(), save), -1);
    QVERIFY(send(device.get(), save) > 0);

    // Counts from outside add up without overflowing.
    write("fault sim:1:0 get 2147483647\nfault sim:1:0 get 2147483647\n");
    int result = 0;
    QVERIFY(blockUntil([&] {
        get(device.get(), 1, &result);
        return result < 0;
    }));
}

void TestSimControl::unplugCutsOffAtOnce()
{
    plug(QStringLiteral("v2000,interfaces=2"));
    plug(QStringLiteral("v2000"));
    const Handle first = open(QStringLiteral("sim:1:0"));
    const Handle other = open(QStringLiteral("sim:2:0"));
    write("unplug sim:1:1\n");

    int result = 0;
    QVERIFY(blockUntil([&] {
        get(first.get(), 1, &result);
        return result < 0;
    }));
    QCOMPARE(send(first.get(), report("06 a0 c0 30 a1")), -1);
    get(other.get(), 1, &result);
    QVERIFY(result > 0);
    QCOMPARE(m_heard, (QStringList{"+sim:1:0", "+sim:1:1", "+sim:2:0"}));

    QTRY_COMPARE(m_heard.size(), 5);
    QCOMPARE(m_heard.mid(3), (QStringList{"-sim:1:0", "-sim:1:1"}));
    QVERIFY(!m_offThread);
}

void TestSimControl::badLinesAreSkipped()
{
    const QRegularExpression warning(QStringLiteral("^control: "));
    for (int i = 0; i < 7; ++i)
        QTest::ignoreMessage(QtWarningMsg, warning);
    write("bogus\nplug v3000\nunplug sim:9:0\nfault sim:9:0 get\nfault sim:1:0 nope\n"
          "fault sim:1:0 get 0\nfault sim:1:0 get 1 2\n\nplug v2000\n");
    QTRY_COMPARE(m_heard, QStringList{"+sim:1:0"});
}

void TestSimControl::oneReaderPerFifo()
{
    QObject other;
    QObject *first = Bus::instance().startControlChannel(m_owner.get(), m_fifo);
    QCOMPARE(Bus::instance().startControlChannel(&other, m_fifo), first);
    QVERIFY(!Bus::instance().startControlChannel(&other, QString()));   // CORVANE_SIM_CONTROL is unset

    // A reader that is gone makes room for a new one on the same FIFO.
    m_owner = std::make_unique<QObject>();
    QVERIFY(Bus::instance().startControlChannel(&other, m_fifo));
    write("plug v2000\n");
    QTRY_COMPARE(m_heard, QStringList{"+sim:1:0"});
}

void TestSimControl::refusedFifos_data()
{
    QTest::addColumn<QString>("kind");   // plain, fifo, link
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("otherOwner");

    QTest::newRow("plain file") << "plain" << 0600 << false;
    QTest::newRow("group may read") << "fifo" << 0640 << false;
    QTest::newRow("others may write") << "fifo" << 0602 << false;
    QTest::newRow("link to a private FIFO") << "link" << 0600 << false;
    QTest::newRow("another user's") << "fifo" << 0600 << true;
}

// Its lines plug, pull and break controllers: only a FIFO that no one else
// can use is read.
void TestSimControl::refusedFifos()
{
    QFETCH(QString, kind);
    QFETCH(int, mode);
    QFETCH(bool, otherOwner);
    if (otherOwner && geteuid() != 0)
        QSKIP("giving a file away takes root");

    const QByteArray path = QFile::encodeName(m_dir->filePath(QStringLiteral("refused")));
    if (kind == QLatin1String("plain"))
        QVERIFY(QFile(QString::fromLocal8Bit(path)).open(QIODevice::WriteOnly));
    else if (kind == QLatin1String("link"))
        QVERIFY(symlink(QFile::encodeName(m_fifo).constData(), path.constData()) == 0);
    else
        QVERIFY(mkfifo(path.constData(), 0600) == 0 && chmod(path.constData(), mode_t(mode)) == 0);
    const uid_t nobody = 65534;
    if (otherOwner)
        QVERIFY(chown(path.constData(), nobody, nobody) == 0);

    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("is not a FIFO of this user's")));
    QVERIFY(!Bus::instance().startControlChannel(m_owner.get(), QString::fromLocal8Bit(path)));
}

void TestSimControl::overlongLinesAreDropped_data()
{
    QTest::addColumn<QByteArrayList>("writes");
    QTest::addColumn<int>("dropped");

    const QByteArray padding(5000, ' ');
    const QByteArray plug("plug v2000\n");
    // Were the tail of a dropped line taken for a line, it would plug two interfaces.
    const QByteArray tail("plug v1100,interfaces=2\n");
    QTest::newRow("ending in a command") << QByteArrayList{padding + tail + plug} << 1;
    QTest::newRow("in pieces") << QByteArrayList{padding, padding + tail, plug} << 1;
    QTest::newRow("at the limit") << QByteArrayList{plug.trimmed() + QByteArray(4096 - 10, ' ') + "\n"} << 0;
}

void TestSimControl::overlongLinesAreDropped()
{
    QFETCH(QByteArrayList, writes);
    QFETCH(int, dropped);
    for (int i = 0; i < dropped; ++i)
        QTest::ignoreMessage(QtWarningMsg, "control: dropping a line of more than 4096 bytes");
    for (const QByteArray &text : qAsConst(writes))
        write(text);
    QTRY_COMPARE(m_heard, QStringList{"+sim:1:0"});
    QCOMPARE(state(1).config.protocol, Protocol::V2000);
}

QTEST_GUILESS_MAIN(TestSimControl)
#include "tst_simcontrol.moc"
