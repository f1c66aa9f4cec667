// SPDX-License-Identifier: GPL-3.0-or-later
#include "paneltestkit.h"

#include "corvanedrivernames.h"
#include "mainwindowprobe.h"
#include "usersettings.h"

#include <QCoreApplication>
#include <QFile>
#include <QLoggingCategory>
#include <QMutex>
#include <QSettings>
#include <QSignalSpy>

namespace {

constexpr int OpenTimeoutMs = 10000;
constexpr int ReportSize = 65;
const char *const WindowCategory = "corvane.app.window";

QMutex debugMutex;
QStringList debugLines;
QtMessageHandler previousHandler = nullptr;
QLoggingCategory::CategoryFilter previousFilter = nullptr;

void enableWindowDebug(QLoggingCategory *category)
{
    if (previousFilter)
        previousFilter(category);
    if (qstrcmp(category->categoryName(), WindowCategory) == 0)
        category->setEnabled(QtDebugMsg, true);
}

void collectWindowDebug(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type == QtDebugMsg && qstrcmp(context.category, WindowCategory) == 0) {
        QMutexLocker locker(&debugMutex);
        debugLines.append(message);
        return;
    }
    previousHandler(type, context, message);
}

} // namespace

PanelTestKit::PanelTestKit()
{
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_home.filePath(QStringLiteral("settings")));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_home.filePath(QStringLiteral("config"))));
    QCoreApplication::addLibraryPath(QStringLiteral(CORVANE_SIM_BUILD_DIR));
}

std::unique_ptr<MainWindow> PanelTestKit::openWindow(const QString &controller, bool boost)
{
    bus().reset();
    const auto config = CorvaneSim::ControllerConfig::parse(controller);
    if (!config || bus().plug(*config) < 0)
        return nullptr;
    UserSettings::open()->setValue(QLatin1String(UserSettings::ChangeBoostKey), boost);
    auto window = openAnotherWindow();
    bus().clearLog();
    return window;
}

std::unique_ptr<MainWindow> PanelTestKit::openAnotherWindow()
{
    auto window = makeWindow();
    QSignalSpy opened(MainWindowProbe::device(*window),
                      CorvaneDriverNames::DeviceManager::SupportedDeviceOpened.signal());
    if (!opened.wait(OpenTimeoutMs))
        return nullptr;
    return window;
}

std::unique_ptr<MainWindow> PanelTestKit::makeWindow()
{
    return std::make_unique<MainWindow>(QSharedPointer<QSharedMemory>(), nullptr);
}

QStringList PanelTestKit::sentReports()
{
    QStringList reports;
    for (const CorvaneSim::LogEntry &entry : bus().log()) {
        if (entry.op == QLatin1String("send"))
            reports.append(QString::fromLatin1(entry.buffer.toHex()));
    }
    return reports;
}

QVector<PanelTestKit::FanCommand> PanelTestKit::fanCommands()
{
    QVector<FanCommand> commands;
    for (const CorvaneSim::LogEntry &entry : bus().log()) {
        const QByteArray &b = entry.buffer;
        if (entry.op == QLatin1String("send") && b.size() == ReportSize
            && b.startsWith(QByteArray::fromHex("06a0b0")) && b.mid(4, 1) == QByteArray::fromHex("b0")
            && b.mid(6, 3) == QByteArray::fromHex("c010a1")) {
            commands.append({quint8(b[3]), quint8(b[5]), entry.ms});
        }
    }
    return commands;
}

QString PanelTestKit::report(const QString &hex)
{
    return hex.leftJustified(2 * ReportSize, QLatin1Char('0'));
}

WindowDebugLines::WindowDebugLines()
{
    clear();
    previousHandler = qInstallMessageHandler(collectWindowDebug);
    previousFilter = QLoggingCategory::installFilter(enableWindowDebug);
}

WindowDebugLines::~WindowDebugLines()
{
    QLoggingCategory::installFilter(previousFilter);
    qInstallMessageHandler(previousHandler);
}

QStringList WindowDebugLines::lines() const
{
    QMutexLocker locker(&debugMutex);
    return debugLines;
}

void WindowDebugLines::clear()
{
    QMutexLocker locker(&debugMutex);
    debugLines.clear();
}
