// SPDX-License-Identifier: GPL-3.0-or-later
// What the program asks of Windows itself: the Run value that starts it at
// log-in, and the machine's CPU times.
#include "platform/autostartentry.h"
#include "platform/cputimes.h"

#include <QSettings>
#include <QTest>

#include <qt_windows.h>

namespace {

const QString RunKey = QStringLiteral(R"(HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Run)");
const QString ValueName = QStringLiteral("CorvaneController1");

// The stored size of the value in bytes; -1 when it is missing.
qint64 storedBytes()
{
    DWORD bytes = 0;
    const LSTATUS status = RegGetValueW(HKEY_CURRENT_USER, LR"(Software\Microsoft\Windows\CurrentVersion\Run)",
                                        L"CorvaneController1", RRF_RT_ANY | RRF_NOEXPAND, nullptr, nullptr, &bytes);
    return status == ERROR_SUCCESS ? qint64(bytes) : -1;
}

} // namespace

class TestWindowsPlatform : public QObject
{
    Q_OBJECT

private slots:
    void runValueWrittenReadAndRemoved();
    void systemTimesGiveALoad();
};

void TestWindowsPlatform::runValueWrittenReadAndRemoved()
{
    const AutoStartEntry entry(QStringLiteral("C:/Apps/Corvane Control/corvane-control.exe"));
    QCOMPARE(entry.location(), RunKey + QLatin1Char('\\') + ValueName);
    if (entry.isAutoStartEnabled())
        QSKIP("this user starts the panel at log-in already; the value is left alone");

    QVERIFY(entry.enableAutoStart(true));
    QVERIFY(entry.isAutoStartEnabled());
    const QString expected = QStringLiteral(R"("C:\Apps\Corvane Control\corvane-control.exe")");
    QCOMPARE(QSettings(RunKey, QSettings::NativeFormat).value(ValueName).toString(), expected);
    // The data ends with its terminating zero.
    QCOMPARE(storedBytes(), qint64(expected.size() + 1) * 2);

    QVERIFY(entry.enableAutoStart(false));
    QVERIFY(!entry.isAutoStartEnabled());
    QVERIFY(!QSettings(RunKey, QSettings::NativeFormat).contains(ValueName));
    QVERIFY2(entry.enableAutoStart(false), "removing a missing value leaves it missing, as asked");
}

// GetSystemTimes counts in 100 ns units; kernel() includes idle().
void TestWindowsPlatform::systemTimesGiveALoad()
{
    const std::optional<CpuTimes> first = CpuTimes::current();
    QVERIFY(first);
    QVERIFY(first->kernel() >= first->idle());
    CpuTimes passed;
    const auto timePassed = [&first, &passed] {
        const std::optional<CpuTimes> now = CpuTimes::current();
        passed = now ? now->since(*first) : CpuTimes();
        return passed.kernel() + passed.user() > 0;
    };
    QTRY_VERIFY_WITH_TIMEOUT(timePassed(), 10000);
    const double total = double(passed.kernel()) + double(passed.user());
    const double load = (total - double(passed.idle())) / total;
    QVERIFY2(load >= 0.0 && load <= 1.0, qPrintable(QString::number(load)));
}

QTEST_GUILESS_MAIN(TestWindowsPlatform)
#include "tst_windowsplatform.moc"
