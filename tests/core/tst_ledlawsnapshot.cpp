// SPDX-License-Identifier: GPL-3.0-or-later
// What the panel's D-Bus service hands the driver for a file a caller names.
#include "ledlawsnapshot.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#ifndef Q_OS_WIN
#include <sys/stat.h>
#endif

class TestLedLawSnapshot : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void lawIsCopiedOnce();
    void refused_data();
    void refused();

private:
    QString writeFile(const QString &name, const QByteArray &bytes) const;

    std::unique_ptr<QTemporaryDir> m_folder;
    QByteArray m_law;
};

void TestLedLawSnapshot::init()
{
    m_folder = std::make_unique<QTemporaryDir>();
    QFile resource(QStringLiteral(":/res/ledfiles/cyc.adl"));
    QVERIFY(resource.open(QIODevice::ReadOnly));
    m_law = resource.readAll();
}

QString TestLedLawSnapshot::writeFile(const QString &name, const QByteArray &bytes) const
{
    QFile file(m_folder->filePath(name));
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return QString();
    return file.fileName();
}

// A file changed after it was taken changes nothing that reaches the driver.
void TestLedLawSnapshot::lawIsCopiedOnce()
{
    const QString path = writeFile(QStringLiteral("mine.adl"), m_law);
    const auto snapshot = LedLawSnapshot::take(path);
    QVERIFY(snapshot);
    QVERIFY(snapshot->path() != path);
    QVERIFY(writeFile(QStringLiteral("mine.adl"), QByteArray("changed")) == path);
    QFile copy(snapshot->path());
    QVERIFY(copy.open(QIODevice::ReadOnly));
    QCOMPARE(copy.readAll(), m_law);
}

void TestLedLawSnapshot::refused_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("not a law") << "garbage";
    QTest::newRow("too big") << "padded";
    QTest::newRow("missing") << "missing";
    QTest::newRow("folder") << "folder";
#ifndef Q_OS_WIN
    QTest::newRow("FIFO without a writer") << "fifo";
#endif
}

// A FIFO would hold an ordinary open up until some writer came.
void TestLedLawSnapshot::refused()
{
    QFETCH(QString, kind);
    QString path = m_folder->filePath(kind);
    if (kind == QLatin1String("garbage"))
        path = writeFile(kind, "not a law");
    else if (kind == QLatin1String("padded"))
        path = writeFile(kind, m_law + QByteArray(4096, ' '));
    else if (kind == QLatin1String("folder"))
        path = m_folder->path();
#ifndef Q_OS_WIN
    else if (kind == QLatin1String("fifo"))
        QCOMPARE(mkfifo(QFile::encodeName(path).constData(), 0600), 0);
#endif
    QVERIFY(!path.isEmpty());
    QVERIFY(!LedLawSnapshot::take(path));
}

QTEST_GUILESS_MAIN(TestLedLawSnapshot)
#include "tst_ledlawsnapshot.moc"
