// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui_mainwindow.h"

#include <QTest>
#include <QTranslator>

class TestZhCnTranslation : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void messages_data();
    void messages();
    void coolingMessages_data();
    void coolingMessages();
    void loadsByLocale_data();
    void loadsByLocale();
    void formShowsTranslation_data();
    void formShowsTranslation();

private:
    QTranslator m_translator;
};

void TestZhCnTranslation::initTestCase()
{
    QVERIFY(m_translator.load(QStringLiteral(":/i18n/zh_CN.qm")));
}

void TestZhCnTranslation::messages_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("translation"); // empty: shown in English

    const QList<QPair<const char *, const char *>> rows = {
        // The colons differ on purpose: ASCII after these two...
        {"Adapter:", "电源状态:"},
        {"Serial:", "设备序号:"},
        // ...full-width after these two.
        {"Device:", "连接状态："},
        {"Model:", "设备型号："},
        {"AUTO", "自动"},
        {"Auto Hibernate", "自动休眠"},
        {"Auto Start", "启用记忆"},
        {"Auto Start Up", "自动启动"},
        {"Auto Start Up Corvane", "开机自动启动"},
        {"Breathe", "呼吸效果"},
        {"Change Boost", "变档加速"},
        {"Connected", "连接"},
        {"Control", "设备控制"},
        {"Cycle", "循环效果"},
        {"DUST", "除尘"},
        {"Exit", "退出"},
        {"Exit Corvane", "退出"},
        {"LED Power", "灯光电源"},
        {"MAN", "手动"},
        {"No Power", "无电源适配器"},
        {"Plugin not found", "插件未找到"},
        {"SAVE", "储存"},
        {"Solid", "常亮效果"},
        {"Sorry, we can't find the right plugins, please try to reinstall.",
         "抱歉，我们未能正确的找到运行所需要的插件，请尝试重新安装。"},
        {"Unconnected", "未连接"},
        {"Utilities", "实用工具"},
        {"%1  [%2]", ""},
        {"Corvantis", ""},
        {"DUTY CYCLE", ""},
        {"DUTY CYCLE %1%", ""},
        {"Fan G1", ""},
        {"Fan G2", ""},
        {"G1", ""},
        {"G2", ""},
        {"N/A", ""},
        {"version", ""},
        // Texts of the configuration error box stay English.
        {"Error", ""},
    };
    for (const auto &row : rows)
        QTest::newRow(row.first) << QString::fromUtf8(row.first) << QString::fromUtf8(row.second);
}

void TestZhCnTranslation::messages()
{
    QFETCH(QString, source);
    QFETCH(QString, translation);

    QCOMPARE(m_translator.translate("MainWindow", source.toUtf8().constData()), translation);
}

// The cooling texts come from the classes that show them, not from the form.
void TestZhCnTranslation::coolingMessages_data()
{
    QTest::addColumn<QByteArray>("context");
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("translation");

    QTest::newRow("tab") << QByteArray("MainWindow") << "Cooling" << "散热";
    QTest::newRow("source") << QByteArray("SourceList") << "CPU load" << "CPU 负载";
    QTest::newRow("alarm") << QByteArray("CoolingAlarm") << "%1: %2 cannot be read; its fans run at full speed"
                           << "%1：无法读取 %2，该组风扇以全速运行";
    QTest::newRow("editor") << QByteArray("CurveEditor") << "Reset to default" << "恢复默认";
}

void TestZhCnTranslation::coolingMessages()
{
    QFETCH(QByteArray, context);
    QFETCH(QString, source);
    QFETCH(QString, translation);

    QCOMPARE(m_translator.translate(context.constData(), source.toUtf8().constData()), translation);
}

void TestZhCnTranslation::loadsByLocale_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<bool>("found");

    QTest::newRow("zh_CN") << QLocale(QLocale::Chinese, QLocale::China) << true;
    QTest::newRow("en_US") << QLocale(QLocale::English, QLocale::UnitedStates) << false;
    QTest::newRow("de_DE") << QLocale(QLocale::German, QLocale::Germany) << false;
}

void TestZhCnTranslation::loadsByLocale()
{
    QFETCH(QLocale, locale);
    QFETCH(bool, found);

    // The way start-up looks the file up: by locale, in ":/i18n", no name or prefix.
    QTranslator translator;
    QCOMPARE(translator.load(locale, QString(), QString(), QStringLiteral(":/i18n")), found);
}

void TestZhCnTranslation::formShowsTranslation_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");

    QTest::newRow("control tab") << "tab" << QStringLiteral("设备控制");
    QTest::newRow("utilities tab") << "tab_2" << QStringLiteral("实用工具");
    QTest::newRow("status") << "labelCvDeviceStatus" << QStringLiteral("未连接");
    QTest::newRow("model label") << "label_28" << QStringLiteral("设备型号：");
    QTest::newRow("mode button") << "pushButtonSave" << QStringLiteral("储存");
    QTest::newRow("group stays English") << "label" << QStringLiteral("G1");
    QTest::newRow("duty stays English") << "labelFanDutyG1" << QStringLiteral("DUTY CYCLE");
    QTest::newRow("version stays English") << "labelVersion" << QStringLiteral("version");
    QTest::newRow("title stays English") << "MainWindow" << QStringLiteral("Corvantis");
}

void TestZhCnTranslation::formShowsTranslation()
{
    QFETCH(QString, name);
    QFETCH(QString, text);

    QCoreApplication::installTranslator(&m_translator);
    QMainWindow window;
    Ui::MainWindow ui;
    ui.setupUi(&window);
    QCoreApplication::removeTranslator(&m_translator);

    QWidget *widget = name == window.objectName() ? &window : window.findChild<QWidget *>(name);
    QVERIFY(widget);
    const int tab = ui.tabWidget->indexOf(widget);
    const QString shown = widget == &window ? window.windowTitle()
        : tab >= 0                          ? ui.tabWidget->tabText(tab)
                                            : widget->property("text").toString();
    QCOMPARE(shown, text);
}

QTEST_MAIN(TestZhCnTranslation)
#include "tst_zhcntranslation.moc"
