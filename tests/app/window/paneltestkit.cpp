// SPDX-License-Identifier: GPL-3.0-or-later
#include "paneltestkit.h"

#include "corvanedrivernames.h"
#include "mainwindowprobe.h"
#include "usersettings.h"

#include <QCoreApplication>
#include <QFile>
#include <QLayout>
#include <QLoggingCategory>
#include <QMutex>
#include <QSettings>
#include <QSignalSpy>
#include <QTabBar>
#include <QToolButton>

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

namespace {

QString describe(const QWidget *widget)
{
    const QRect r = widget->geometry();
    return QStringLiteral("%1 (%2,%3 %4x%5)")
        .arg(widget->objectName().isEmpty() ? QLatin1String(widget->metaObject()->className()) : widget->objectName())
        .arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
}

// The children a layout places: the form's own absolute places are the
// form's, and tab bars and scroll areas place their parts themselves.
QList<QWidget *> laidOutChildren(QWidget *parent)
{
    QList<QWidget *> laidOut;
    if (!parent->layout())
        return laidOut;
    for (QWidget *child : parent->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly)) {
        if (child->isVisible() && !child->isWindow() && parent->layout()->indexOf(child) >= 0)
            laidOut.append(child);
    }
    return laidOut;
}

void collectFaults(QWidget *parent, QStringList &faults)
{
    const QList<QWidget *> children = laidOutChildren(parent);
    for (int i = 0; i < children.size(); ++i) {
        if (!parent->rect().contains(children[i]->geometry()))
            faults.append(QStringLiteral("%1 sticks out of %2").arg(describe(children[i]), describe(parent)));
        for (int j = i + 1; j < children.size(); ++j) {
            if (children[i]->geometry().intersects(children[j]->geometry()))
                faults.append(QStringLiteral("%1 meets %2").arg(describe(children[i]), describe(children[j])));
        }
    }
    for (QWidget *child : parent->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly)) {
        if (child->isVisible() && !child->isWindow())
            collectFaults(child, faults);
    }
}

} // namespace

QStringList PanelTestKit::layoutFaults(QWidget &window)
{
    QStringList faults;
    collectFaults(&window, faults);
    // Scroll buttons on a tab bar mean its tabs do not all fit.
    for (const QTabBar *tabs : window.findChildren<QTabBar *>()) {
        for (const QWidget *button : tabs->findChildren<QToolButton *>()) {
            if (button->isVisible())
                faults.append(QStringLiteral("the tabs of %1 do not fit").arg(describe(tabs->parentWidget())));
        }
    }
    faults.removeDuplicates();
    return faults;
}
