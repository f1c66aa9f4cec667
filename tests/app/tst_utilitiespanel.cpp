// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/programenvironment.h"
#include "utilitiespanel.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

class TestUtilitiesPanel : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void usableEntriesFillRows_data();
    void usableEntriesFillRows();
    void onlyUsableEntriesBecomeButtons();
    void missingFolderLeavesFrameEmpty();
    void launch_data();
    void launch();

private:
    QString m_programDir;
    QWidget m_frame;
    QButtonGroup m_group;
};

void TestUtilitiesPanel::initTestCase()
{
    const QString desktop = QFINDTESTDATA("data/utilities/desktop");
    QVERIFY(!desktop.isEmpty());
    m_programDir = QDir(desktop + "/../..").absolutePath();
    UtilitiesPanel(m_programDir).build(&m_frame, &m_group);
    // As the program does at start: the setting is the program's own.
    qunsetenv("QT_XCB_GL_INTEGRATION");
    ProgramEnvironment::setBeforeApplication();
}

void TestUtilitiesPanel::usableEntriesFillRows_data()
{
    QTest::addColumn<QString>("exec");
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("hasIcon");
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("column");

    // File-name order ignoring case; skipped files take no cell.
    QTest::newRow("Alpha") << "bin/alpha" << "/work" << true << 0 << 0;
    QTest::newRow("beta, icon missing") << "bin/beta" << "/" << false << 0 << 1;
    QTest::newRow("delta") << "bin/delta" << "/work/delta" << false << 0 << 2;
    QTest::newRow("Foxtrot") << "bin/foxtrot" << "/" << false << 0 << 3;
    QTest::newRow("hotel") << "bin/hotel" << "/" << false << 0 << 4;
    QTest::newRow("juliet, absolute Exec") << "/usr/bin/juliet" << "/" << false << 1 << 0;
}

void TestUtilitiesPanel::usableEntriesFillRows()
{
    QFETCH(QString, exec);
    QFETCH(QString, path);
    QFETCH(bool, hasIcon);
    QFETCH(int, row);
    QFETCH(int, column);

    auto *grid = qobject_cast<QGridLayout *>(m_frame.layout());
    QVERIFY(grid);
    QLayoutItem *item = grid->itemAtPosition(row, column);
    QVERIFY(item);
    auto *button = qobject_cast<QPushButton *>(item->widget());
    QVERIFY(button);
    QCOMPARE(button->parentWidget(), &m_frame);
    QCOMPARE(button->group(), &m_group);
    QVERIFY(button->text().isEmpty());
    QCOMPARE(button->property("Exec").toString(), QDir(m_programDir).absoluteFilePath(exec));
    QCOMPARE(button->property("Path").toString(), m_programDir + path);
    QCOMPARE(!button->icon().isNull(), hasIcon);
}

// Missing Terminal, Terminal=true, a Link, an empty Exec, another group and a
// non-.desktop file all stay out.
void TestUtilitiesPanel::onlyUsableEntriesBecomeButtons()
{
    QCOMPARE(m_group.buttons().size(), 6);
    QCOMPARE(m_frame.layout()->count(), 6);
}

void TestUtilitiesPanel::missingFolderLeavesFrameEmpty()
{
    QTemporaryDir programDir;
    QVERIFY(QDir(programDir.path()).mkpath("utilities"));
    QWidget frame;
    QButtonGroup group;
    UtilitiesPanel(programDir.path()).build(&frame, &group);
    QVERIFY(!frame.layout());
    QVERIFY(group.buttons().isEmpty());
}

void TestUtilitiesPanel::launch_data()
{
    QTest::addColumn<bool>("programExists");
    QTest::newRow("starts in its working directory, without the program's own variables") << true;
    QTest::newRow("missing program") << false;
}

void TestUtilitiesPanel::launch()
{
    QFETCH(bool, programExists);
#ifdef Q_OS_WIN
    if (programExists)
        QSKIP("the launched tool is a shell script, and the variable it reports is the xcb platform's");
#endif

    QTemporaryDir dir;
    const QString work = dir.filePath("work");
    QVERIFY(QDir().mkpath(work));
    const QString tool = dir.filePath("tool");
    if (programExists) {
        QFile script(tool);
        QVERIFY(script.open(QIODevice::WriteOnly));
        // Written aside and moved, so that the file is whole once it is there.
        script.write("#!/bin/sh\n{ pwd; echo \"${QT_XCB_GL_INTEGRATION-unset}\"; } > part && mv part started\n");
        script.close();
        QVERIFY(script.setPermissions(script.permissions() | QFile::ExeOwner));
    }
    QPushButton button;
    button.setProperty("Exec", tool);
    button.setProperty("Path", work);

    QCOMPARE(UtilitiesPanel::launch(&button), programExists);
    if (!programExists)
        return;
    QFile started(work + "/started");
    QTRY_VERIFY(started.exists() && started.size() > 0);
    QVERIFY(started.open(QIODevice::ReadOnly));
    QCOMPARE(started.readAll().trimmed(), QFile::encodeName(work) + "\nunset");
}

QTEST_MAIN(TestUtilitiesPanel)
#include "tst_utilitiespanel.moc"
