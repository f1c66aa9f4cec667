// SPDX-License-Identifier: GPL-3.0-or-later
// The real MainWindow against the simulated plug-in (the build's sim/generic
// folder is put on the library paths), offscreen.
#include "controllerrules.h"
#include "corvanedrivernames.h"
#include "corvanesim.h"
#include "mainwindow.h"
#include "modalboxwatcher.h"
#include "platform/autostartentry.h"
#include "uitranslation.h"
#include "usersettings.h"

#include <QAbstractButton>
#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QDesktopServices>
#include <QFile>
#include <QLabel>
#include <QLocale>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTranslator>
#include <QUrl>

#include <memory>

namespace DeviceManager = CorvaneDriverNames::DeviceManager;

namespace {

const QString DeviceControls[] = {
    QStringLiteral("pushButtonDustFan"),    QStringLiteral("pushButtonAutoFan"),
    QStringLiteral("pushButtonManFan"),     QStringLiteral("pushButtonSave"),
    QStringLiteral("frameFanControlPanel"), QStringLiteral("frameLEDControlPanel"),
    QStringLiteral("frameStatus"),          QStringLiteral("frameLEDLightControl"),
};

// Records, for every queued call the device manager receives, whether the
// duty tables were in place and how many reports the simulator had seen.
class MetaCallRecorder final : public QObject
{
public:
    struct Call
    {
        bool tablesSet;
        int exchanges;
    };

    MetaCallRecorder(std::function<Call()> snapshot)
        : m_snapshot(std::move(snapshot))
    {
    }

    QVector<Call> calls;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::MetaCall)
            calls.append(m_snapshot());
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<Call()> m_snapshot;
};

// Takes the web addresses the desktop would open.
class UrlCatcher final : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void open(const QUrl &url) { urls.append(url); }
};

} // namespace

class MainWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void connectsOnlyAfterTheTablesAreSet();
    void hotPlugReachesTheWindow();
    void initialState();
    void ledButtonIds_data();
    void ledButtonIds();
    void followsUserSettings_data();
    void followsUserSettings();
    void autoStartCheckMark_data();
    void autoStartCheckMark();
    void translation_data();
    void translation();
    void logoOpensTheWebSite();

private:
    std::unique_ptr<MainWindow> makeWindow();
    static FanDutyProcessor &processor(MainWindow &window, int index)
    {
        return window.m_rules->dutyProcessor(index);
    }
    static bool tablesSet(MainWindow &window);
    QObject *device(MainWindow &window) const { return window.m_device; }
    QObject *deviceAdapter(MainWindow &window) const { return window.m_rules->driver(); }
    int simExchanges() const;
    template <typename T>
    static T *widget(MainWindow &window, const QString &name);

    QTemporaryDir m_home;
    std::unique_ptr<ModalBoxWatcher> m_boxes;
};

void MainWindowTest::initTestCase()
{
    QVERIFY(m_home.isValid());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_home.filePath(QStringLiteral("settings")));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_home.filePath(QStringLiteral("config"))));
    // One controller with a foreign id, one with the supported id: only the
    // second may ever be opened.
    qputenv("CORVANE_SIM_DEVICES", "v2000,vid=0x1234;v2000");
    qputenv("CORVANE_SIM_LOG", QFile::encodeName(m_home.filePath(QStringLiteral("sim.log"))));
    QCoreApplication::addLibraryPath(QStringLiteral(CORVANE_SIM_BUILD_DIR));
}

void MainWindowTest::init()
{
    UserSettings::open()->clear();
    QVERIFY(AutoStartEntry(QStringLiteral("/elsewhere")).enableAutoStart(false));
    m_boxes = std::make_unique<ModalBoxWatcher>();
}

void MainWindowTest::cleanup()
{
    QVERIFY2(m_boxes->boxes().isEmpty(), qPrintable(m_boxes->boxes().value(0).title));
    m_boxes.reset();
}

std::unique_ptr<MainWindow> MainWindowTest::makeWindow()
{
    return std::make_unique<MainWindow>(QSharedPointer<QSharedMemory>(), nullptr);
}

bool MainWindowTest::tablesSet(MainWindow &window)
{
    return processor(window, 0).maxLevel(0) >= 0 && processor(window, 1).maxLevel(0) >= 0;
}

int MainWindowTest::simExchanges() const
{
    QFile log(m_home.filePath(QStringLiteral("sim.log")));
    if (!log.open(QIODevice::ReadOnly))
        return 0;
    int exchanges = 0;
    while (!log.atEnd()) {
        const QList<QByteArray> fields = log.readLine().split(' ');
        if (fields.size() > 2 && (fields[2].startsWith("send") || fields[2].startsWith("get")))
            ++exchanges;
    }
    return exchanges;
}

template <typename T>
T *MainWindowTest::widget(MainWindow &window, const QString &name)
{
    auto *found = window.findChild<T *>(name);
    if (!found)
        qWarning("no widget %s", qPrintable(name));
    return found;
}

void MainWindowTest::connectsOnlyAfterTheTablesAreSet()
{
    const int before = simExchanges();
    auto window = makeWindow();
    QObject *manager = device(*window);
    QVERIFY(manager);
    QCOMPARE(manager->parent(), window.get());
    QCOMPARE(manager->objectName(), QStringLiteral("device"));
    for (const QString &name : DeviceControls)
        QVERIFY2(!widget<QWidget>(*window, name)->isEnabled(), qPrintable(name));

    MetaCallRecorder recorder([&] { return MetaCallRecorder::Call{tablesSet(*window), simExchanges() - before}; });
    manager->installEventFilter(&recorder);
    QSignalSpy opened(manager, DeviceManager::SupportedDeviceOpened.signal());
    QVERIFY(opened.wait(10000));

    // Setting the monitor and the id, then connecting: nothing reaches the
    // controller until the configuration has filled both processors.
    QVERIFY(recorder.calls.size() >= 3);
    bool sawTables = false;
    for (const auto &call : recorder.calls) {
        if (!sawTables)
            QCOMPARE(call.exchanges, 0);
        sawTables = sawTables || call.tablesSet;
    }
    QVERIFY(sawTables);
    QVERIFY(simExchanges() > before);

    QCOMPARE(opened.at(0).at(0).toString(), QStringLiteral("sim:2:0"));
    QCOMPARE(processor(*window, 0).maxLevel(0), 9);
    QCOMPARE(processor(*window, 1).maxLevel(2), 9);
    QVERIFY(deviceAdapter(*window));
    // The effect buttons wait for the LED switch, which this controller has off.
    for (const QString &name : DeviceControls) {
        const bool ledEffects = name == QLatin1String("frameLEDLightControl");
        QVERIFY2(widget<QWidget>(*window, name)->isEnabled() != ledEffects, qPrintable(name));
    }
    QCOMPARE(widget<QLabel>(*window, QStringLiteral("labelCvDeviceStatus"))->text(), QStringLiteral("Connected"));
}

// The suite shares the plug-in's simulated bus, as a real controller shares the system's.
void MainWindowTest::hotPlugReachesTheWindow()
{
    auto window = makeWindow();
    QSignalSpy opened(device(*window), DeviceManager::SupportedDeviceOpened.signal());
    QSignalSpy closed(device(*window), DeviceManager::SupportedDeviceClosed.signal());
    QVERIFY(opened.wait(10000));

    QVERIFY(CorvaneSim::Bus::instance().unplugPath(QStringLiteral("sim:2:0")));
    QTRY_COMPARE_WITH_TIMEOUT(closed.count(), 1, 10000);
    QVERIFY(!deviceAdapter(*window));
    QVERIFY(!widget<QWidget>(*window, QStringLiteral("frameStatus"))->isEnabled());
    QCOMPARE(widget<QLabel>(*window, QStringLiteral("labelCvDeviceStatus"))->text(), QStringLiteral("Unconnected"));

    QVERIFY(CorvaneSim::Bus::instance().plug(CorvaneSim::ControllerConfig::parseList(QStringLiteral("v2000")).value(0)) > 0);
    QTRY_COMPARE_WITH_TIMEOUT(opened.count(), 2, 10000);
    QVERIFY(deviceAdapter(*window));
    QVERIFY(widget<QWidget>(*window, QStringLiteral("frameStatus"))->isEnabled());
}

void MainWindowTest::initialState()
{
    auto window = makeWindow();
    QCOMPARE(widget<QLabel>(*window, QStringLiteral("labelFanDutyG1"))->text(), QStringLiteral("DUTY CYCLE   0%"));
    QCOMPARE(widget<QLabel>(*window, QStringLiteral("labelFanDutyG2"))->text(), QStringLiteral("DUTY CYCLE   0%"));
    QCOMPARE(widget<QLabel>(*window, QStringLiteral("labelVersion"))->text(), QStringLiteral("version 1.0.6"));
    QCOMPARE(widget<QLabel>(*window, QStringLiteral("labelCvDeviceStatus"))->text(), QStringLiteral("Unconnected"));
}

void MainWindowTest::ledButtonIds_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("group");
    QTest::addColumn<int>("id");
    QTest::newRow("solid 0") << "pushButtonLedC0" << "buttonGroupSolidLED" << 0;
    QTest::newRow("solid 7") << "pushButtonLedC7" << "buttonGroupSolidLED" << 7;
    QTest::newRow("solid 13") << "pushButtonLedC13" << "buttonGroupSolidLED" << 13;
    QTest::newRow("breathe 0") << "pushButtonLedF0" << "buttonGroupBreathLED" << 0;
    QTest::newRow("breathe 13") << "pushButtonLedF13" << "buttonGroupBreathLED" << 13;
}

void MainWindowTest::ledButtonIds()
{
    QFETCH(QString, button);
    QFETCH(QString, group);
    QFETCH(int, id);
    auto window = makeWindow();
    auto *buttonGroup = widget<QButtonGroup>(*window, group);
    QVERIFY(buttonGroup);
    QCOMPARE(buttonGroup->buttons().size(), 14);
    QCOMPARE(buttonGroup->id(widget<QAbstractButton>(*window, button)), id);
}

void MainWindowTest::followsUserSettings_data()
{
    QTest::addColumn<QVariant>("showCpuLoading");
    QTest::addColumn<QVariant>("changeBoost");
    QTest::addColumn<bool>("cpuLabelShown");
    QTest::addColumn<bool>("boostChecked");
    QTest::newRow("nothing set") << QVariant() << QVariant() << false << true;
    QTest::newRow("cpu line on, boost off") << QVariant(true) << QVariant(false) << true << false;
    QTest::newRow("cpu line off, boost on") << QVariant(false) << QVariant(true) << false << true;
}

void MainWindowTest::followsUserSettings()
{
    QFETCH(QVariant, showCpuLoading);
    QFETCH(QVariant, changeBoost);
    QFETCH(bool, cpuLabelShown);
    QFETCH(bool, boostChecked);
    {
        const auto settings = UserSettings::open();
        if (showCpuLoading.isValid())
            settings->setValue(QLatin1String(UserSettings::ShowCpuLoadingKey), showCpuLoading);
        if (changeBoost.isValid())
            settings->setValue(QLatin1String(UserSettings::ChangeBoostKey), changeBoost);
    }
    auto window = makeWindow();
    QCOMPARE(!widget<QLabel>(*window, QStringLiteral("labelCPU"))->isHidden(), cpuLabelShown);
    QCOMPARE(widget<QCheckBox>(*window, QStringLiteral("checkBoxChangeBoost"))->isChecked(), boostChecked);
}

void MainWindowTest::autoStartCheckMark_data()
{
    QTest::addColumn<bool>("entry");
    QTest::addColumn<bool>("checked");
    QTest::newRow("no entry") << false << false;
    QTest::newRow("entry for another program") << true << true;
}

void MainWindowTest::autoStartCheckMark()
{
    QFETCH(bool, entry);
    QFETCH(bool, checked);
    if (entry)
        QVERIFY(AutoStartEntry(QStringLiteral("/elsewhere")).enableAutoStart(true));
    auto window = makeWindow();
    auto *action = window->findChild<QAction *>(QStringLiteral("actionAutoStartUp"));
    QVERIFY(action->isCheckable());
    QCOMPARE(action->isChecked(), checked);
}

void MainWindowTest::translation_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<bool>("forceEnglish");
    QTest::addColumn<QString>("controlTab");
    QTest::addColumn<QString>("utilitiesTab");
    QTest::newRow("zh_CN") << "zh_CN" << false << QStringLiteral("设备控制") << QStringLiteral("实用工具");
    QTest::newRow("zh_CN, forced English") << "zh_CN" << true << "Control" << "Utilities";
    QTest::newRow("locale without a translation") << "de_DE" << false << "Control" << "Utilities";
}

void MainWindowTest::translation()
{
    QFETCH(QString, locale);
    QFETCH(bool, forceEnglish);
    QFETCH(QString, controlTab);
    QFETCH(QString, utilitiesTab);
    UserSettings::open()->setValue(QLatin1String(UserSettings::ForceEnglishKey), forceEnglish);
    QLocale::setDefault(QLocale(locale));
    QTranslator translator;
    if (UiTranslation::load(translator, *UserSettings::open()))
        QCoreApplication::installTranslator(&translator);

    auto window = makeWindow();
    auto *tabs = widget<QTabWidget>(*window, QStringLiteral("tabWidget"));
    QCOMPARE(tabs->tabText(0), controlTab);
    QCOMPARE(tabs->tabText(1), utilitiesTab);
    QCOMPARE(widget<QLabel>(*window, QStringLiteral("label"))->text(), QStringLiteral("G1"));
    QCOMPARE(widget<QLabel>(*window, QStringLiteral("labelVersion"))->text(), QStringLiteral("version 1.0.6"));
    QLocale::setDefault(QLocale::c());
}

void MainWindowTest::logoOpensTheWebSite()
{
    auto window = makeWindow();
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler(QStringLiteral("https"), &catcher, "open");
    widget<QAbstractButton>(*window, QStringLiteral("pushButtonMainLogo"))->click();
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
    QCOMPARE(catcher.urls, QList<QUrl>{QUrl(QStringLiteral("https://corvane.example/"))});
}

QTEST_MAIN(MainWindowTest)
#include "tst_mainwindow.moc"
