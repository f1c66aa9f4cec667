// SPDX-License-Identifier: GPL-3.0-or-later
// The real MainWindow where no plug-in can be found, offscreen.
#include "mainwindow.h"
#include "modalboxwatcher.h"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QRegularExpression>
#include <QSettings>
#include <QSystemTrayIcon>
#include <QTemporaryDir>
#include <QTest>

class MainWindowNoPluginTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void warnsOnceAndStillWorks();
};

void MainWindowNoPluginTest::initTestCase()
{
    static QTemporaryDir home;
    QVERIFY(home.isValid());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, home.path());
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.path()));
}

void MainWindowNoPluginTest::warnsOnceAndStillWorks()
{
    ModalBoxWatcher boxes;
    QTest::ignoreMessage(QtDebugMsg, QRegularExpression(QStringLiteral("^library paths: \\(.+\\)$")));
    MainWindow window(QSharedPointer<QSharedMemory>(), nullptr);

    QCOMPARE(boxes.boxes().size(), 1);
    const ModalBoxWatcher::Box &box = boxes.boxes().constFirst();
    QCOMPARE(box.title, QStringLiteral("Plugin not found"));
    QCOMPARE(box.text, QStringLiteral("Sorry, we can't find the right plugins, please try to reinstall."));
    QCOMPARE(box.buttons, int(QMessageBox::Ok));
    QCOMPARE(box.icon, int(QMessageBox::Warning));

    QVERIFY(!window.findChild<QObject *>(QStringLiteral("device")));
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    // Let the configuration arrive: without the plug-in nothing else may come of it.
    QTest::qWait(1000);
    QCOMPARE(boxes.boxes().size(), 1);
    QVERIFY(window.isVisible());
    QVERIFY(!window.findChild<QWidget *>(QStringLiteral("frameStatus"))->isEnabled());
    QVERIFY(!window.findChild<QWidget *>(QStringLiteral("pushButtonSave"))->isEnabled());
    QCOMPARE(window.findChild<QLabel *>(QStringLiteral("labelCvDeviceStatus"))->text(),
             QStringLiteral("Unconnected"));
    QVERIFY(window.findChild<QWidget *>(QStringLiteral("tabWidget"))->isEnabled());
    QVERIFY(window.findChild<QSystemTrayIcon *>(QStringLiteral("trayIcon"))->isVisible());
}

int main(int argc, char *argv[])
{
    // The debug line with the library paths is part of what is checked.
    qputenv("QT_LOGGING_RULES", "corvane.app.window.debug=true");
    QApplication application(argc, argv);
    MainWindowNoPluginTest test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_mainwindow_noplugin.moc"
