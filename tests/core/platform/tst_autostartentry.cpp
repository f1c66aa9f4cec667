// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/autostartentry.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

class TestAutoStartEntry : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void directory_data();
    void directory();
    void writesQuotedProgramPath_data();
    void writesQuotedProgramPath();
    void handWrittenEntryCountsAsOn();
    void unwritableFolderChangesNothing();

private:
    std::unique_ptr<QTemporaryDir> m_home;
};

void TestAutoStartEntry::init()
{
    m_home = std::make_unique<QTemporaryDir>();
    QVERIFY(m_home->isValid());
    qputenv("HOME", QFile::encodeName(m_home->path()));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_home->filePath("config")));
}

void TestAutoStartEntry::directory_data()
{
    QTest::addColumn<QByteArray>("xdgConfigHome");
    QTest::addColumn<QString>("expected");

    QTest::newRow("XDG_CONFIG_HOME") << QByteArray("<home>/config") << "<home>/config/autostart";
    QTest::newRow("unset") << QByteArray() << "<home>/.config/autostart";
    QTest::newRow("relative ignored") << QByteArray("config") << "<home>/.config/autostart";
}

void TestAutoStartEntry::directory()
{
    QFETCH(QByteArray, xdgConfigHome);
    QFETCH(QString, expected);

    qputenv("XDG_CONFIG_HOME", xdgConfigHome.replace("<home>", QFile::encodeName(m_home->path())));
    expected.replace(QLatin1String("<home>"), m_home->path());
    QCOMPARE(AutoStartEntry(QStringLiteral("/bin/x")).location(), expected + "/CorvaneController1.desktop");
}

void TestAutoStartEntry::writesQuotedProgramPath_data()
{
    QTest::addColumn<QString>("programPath");
    QTest::addColumn<QByteArray>("execLine");

    QTest::newRow("plain") << "/usr/lib/corvane-control/corvane-control"
                           << QByteArray(R"(Exec="/usr/lib/corvane-control/corvane-control")");
    QTest::newRow("space") << "/opt/My Apps/corvane-control" << QByteArray(R"(Exec="/opt/My Apps/corvane-control")");
    // Quote, dollar, backtick and backslash are escaped inside the quotes, then
    // the backslashes once more for the file; a percent sign is doubled.
    QTest::newRow("reserved characters") << R"(/opt/a"b$c`d\e%f/corvane-control)"
                                         << QByteArray(R"(Exec="/opt/a\\"b\\$c\\`d\\\\e%%f/corvane-control")");
    QTest::newRow("non-ASCII") << QStringLiteral("/opt/\u00e9t\u00e9/corvane-control")
                               << QStringLiteral("Exec=\"/opt/\u00e9t\u00e9/corvane-control\"").toUtf8();
}

void TestAutoStartEntry::writesQuotedProgramPath()
{
    QFETCH(QString, programPath);
    QFETCH(QByteArray, execLine);

    const AutoStartEntry entry(programPath);
    QVERIFY(!entry.isAutoStartEnabled());
    QVERIFY(entry.enableAutoStart(true));
    QVERIFY(entry.isAutoStartEnabled());

    QFile file(entry.location());
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = file.readAll().split('\n');
    QCOMPARE(lines.constFirst(), QByteArray("[Desktop Entry]"));
    QVERIFY(lines.contains("Type=Application"));
    QVERIFY(lines.contains("X-GNOME-Autostart-enabled=true"));
    QVERIFY2(lines.contains(execLine), lines.join('\n').constData());

    QVERIFY(entry.enableAutoStart(false));
    QVERIFY(!QFile::exists(entry.location()));
    QVERIFY(!entry.isAutoStartEnabled());
    QVERIFY2(entry.enableAutoStart(false), "removing an absent entry leaves auto-start off as asked");
}

void TestAutoStartEntry::handWrittenEntryCountsAsOn()
{
    const AutoStartEntry entry(QStringLiteral("/bin/x"));
    QVERIFY(QDir().mkpath(QFileInfo(entry.location()).path()));
    QFile file(entry.location());
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("not even a desktop entry");
    file.close();

    QVERIFY(AutoStartEntry(QStringLiteral("/somewhere/else")).isAutoStartEnabled());
}

// Tests run as root, where permissions do not stop writes; a folder below a
// regular file can never be made.
void TestAutoStartEntry::unwritableFolderChangesNothing()
{
    const QString blocker = m_home->filePath("blocker");
    QFile file(blocker);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(blocker + "/config"));

    const AutoStartEntry entry(QStringLiteral("/bin/x"));
    QVERIFY(!entry.enableAutoStart(true));
    QVERIFY(!entry.isAutoStartEnabled());
    QVERIFY(QFileInfo(blocker).isFile());
    QCOMPARE(QDir(m_home->path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{"blocker"});
}

QTEST_GUILESS_MAIN(TestAutoStartEntry)
#include "tst_autostartentry.moc"
