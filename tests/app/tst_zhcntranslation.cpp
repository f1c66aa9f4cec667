// SPDX-License-Identifier: GPL-3.0-or-later
// The Chinese translation: that it loads as start-up looks it up, that every
// text of the form has one (but the few that stay English), and a handful of
// the texts the window, the tray and the messages show. The translation file
// itself holds the words; this suite does not copy it entry by entry.
#include "ui_mainwindow.h"

#include <QAbstractButton>
#include <QAction>
#include <QLineEdit>
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
    void formIsTranslated();

private:
    QTranslator m_translator;
};

void TestZhCnTranslation::initTestCase()
{
    QVERIFY(m_translator.load(QStringLiteral(":/i18n/zh_CN.qm")));
}

// Texts the code shows, in the tray menu, the connection view and the message boxes.
void TestZhCnTranslation::messages_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("translation"); // empty: shown in English

    const QList<QPair<const char *, const char *>> rows = {
        {"Auto Start Up", "自动启动"},
        {"Exit", "退出"},
        {"Connected", "连接"},
        {"No Power", "无电源适配器"},
        {"Plugin not found", "插件未找到"},
        {"Sorry, we can't find the right plugins, please try to reinstall.",
         "抱歉，我们未能正确的找到运行所需要的插件，请尝试重新安装。"},
        {"DUTY CYCLE %1%", ""},
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
    QTest::newRow("alarm") << QByteArray("CoolingAlarm") << "%1: %2 cannot be read; its fans run at full speed"
                           << "%1：无法读取 %2，该组风扇以全速运行";
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
    QTest::newRow("status") << "labelCvDeviceStatus" << QStringLiteral("未连接");
    // A full-width colon after this label, an ASCII one after "Adapter:" and "Serial:".
    QTest::newRow("model label") << "label_28" << QStringLiteral("设备型号：");
    QTest::newRow("mode button") << "pushButtonSave" << QStringLiteral("储存");
    QTest::newRow("duty stays English") << "labelFanDutyG1" << QStringLiteral("DUTY CYCLE");
    // tst_tray and the end-to-end session find the window by its title.
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

namespace {

// Every text @p window shows through its form, by object name (and ":toolTip",
// ":tab" for the tool tips of actions and the texts of tabs).
QMap<QString, QString> formTexts(QMainWindow &window)
{
    QMap<QString, QString> texts{{window.objectName(), window.windowTitle()}};
    for (const QObject *object : window.findChildren<QObject *>()) {
        if (const auto *label = qobject_cast<const QLabel *>(object))
            texts.insert(object->objectName(), label->text());
        else if (const auto *button = qobject_cast<const QAbstractButton *>(object))
            texts.insert(object->objectName(), button->text());
        else if (const auto *edit = qobject_cast<const QLineEdit *>(object))
            texts.insert(object->objectName(), edit->text());
        else if (const auto *action = qobject_cast<const QAction *>(object)) {
            texts.insert(object->objectName(), action->text());
            texts.insert(object->objectName() + QStringLiteral(":toolTip"), action->toolTip());
        } else if (const auto *tabs = qobject_cast<const QTabWidget *>(object)) {
            for (int i = 0; i < tabs->count(); ++i)
                texts.insert(tabs->widget(i)->objectName() + QStringLiteral(":tab"), tabs->tabText(i));
        }
    }
    return texts;
}

} // namespace

// A text added to the form or changed there without its translation shows in
// English on a Chinese desktop; the names, units and version stay English.
void TestZhCnTranslation::formIsTranslated()
{
    // Names, units and the version, which every language shows alike.
    const QStringList staysEnglish = {"Corvantis", "G1", "G2", "Fan G1", "Fan G2", "DUTY CYCLE", "N/A", "version"};

    QMainWindow english;
    Ui::MainWindow englishForm;
    englishForm.setupUi(&english);
    QCoreApplication::installTranslator(&m_translator);
    QMainWindow chinese;
    Ui::MainWindow chineseForm;
    chineseForm.setupUi(&chinese);
    QCoreApplication::removeTranslator(&m_translator);

    const QMap<QString, QString> before = formTexts(english);
    const QMap<QString, QString> after = formTexts(chinese);
    QCOMPARE(after.keys(), before.keys());
    QStringList wrong;
    for (auto it = before.cbegin(); it != before.cend(); ++it) {
        const bool translated = after.value(it.key()) != it.value();
        if (!it.value().isEmpty() && translated == staysEnglish.contains(it.value()))
            wrong.append(it.key() + QStringLiteral(" \"") + it.value() + QStringLiteral("\" -> \"")
                         + after.value(it.key()) + QLatin1Char('"'));
    }
    QVERIFY2(wrong.isEmpty(), qPrintable(wrong.join(QStringLiteral(", "))));
    // Each of those still shows somewhere, so the list holds no text the form lost.
    for (const QString &text : staysEnglish)
        QVERIFY2(before.values().contains(text), qPrintable(text));
}

QTEST_MAIN(TestZhCnTranslation)
#include "tst_zhcntranslation.moc"
