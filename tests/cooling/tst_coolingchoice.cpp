// SPDX-License-Identifier: GPL-3.0-or-later
// The default CPU curve gives AUTO's levels, and a group's choice survives
// the settings file, falling back to AUTO's when the file holds nonsense.
#include "coolingchoice.h"
#include "coolingsettings.h"
#include "platform/cpuloadsampler.h"

#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

class TestCoolingChoice : public QObject
{
    Q_OBJECT

private slots:
    void defaultCpuCurveIsAuto();
    void storedChoice_data();
    void storedChoice();
};

// Every top level a duty table may have, every percent the sampler gives.
void TestCoolingChoice::defaultCpuCurveIsAuto()
{
    for (int top = 0; top <= 30; ++top) {
        const FanCurve curve = CoolingChoice().curve(top);
        for (int percent = 0; percent <= 100; ++percent) {
            const int level = curve.levelFrom(percent, top, top);
            if (level != CpuLoadSampler::levelForPercent(percent, top))
                QFAIL(qPrintable(QStringLiteral("top %1, %2 %: curve %3, AUTO %4")
                                     .arg(top).arg(percent).arg(level)
                                     .arg(CpuLoadSampler::levelForPercent(percent, top))));
        }
    }
}

void TestCoolingChoice::storedChoice_data()
{
    QTest::addColumn<QVariant>("source");
    QTest::addColumn<QVariant>("curve");
    QTest::addColumn<QString>("loadedSource");
    QTest::addColumn<QString>("loadedCurve");

    QTest::newRow("nothing stored") << QVariant() << QVariant() << "cpu" << "default";
    QTest::newRow("sensor with points") << QVariant("hwmon:k10temp/Tctl") << QVariant("40:2,60:5,75:9")
                                        << "hwmon:k10temp/Tctl" << "40:2,60:5,75:9";
    QTest::newRow("sensor, default curve") << QVariant("hwmon:nvme/Composite#2") << QVariant()
                                           << "hwmon:nvme/Composite#2" << "default";
    QTest::newRow("bad points: AUTO's") << QVariant("hwmon:k10temp/Tctl") << QVariant("60:9,40:2")
                                        << "cpu" << "default";
}

void TestCoolingChoice::storedChoice()
{
    QFETCH(QVariant, source);
    QFETCH(QVariant, curve);
    QFETCH(QString, loadedSource);
    QFETCH(QString, loadedCurve);

    QTemporaryDir dir;
    QSettings settings(dir.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
    if (source.isValid())
        settings.setValue(QStringLiteral("cooling/g2_source"), source);
    if (curve.isValid())
        settings.setValue(QStringLiteral("cooling/g2_curve"), curve);

    const CoolingChoice loaded = CoolingSettings::load(settings, 1);
    QCOMPARE(loaded.source(), loadedSource);
    QCOMPARE(loaded.curveText(), loadedCurve);
    QCOMPARE(CoolingSettings::load(settings, 0), CoolingChoice());

    CoolingSettings::save(settings, 0, loaded);
    QCOMPARE(CoolingSettings::load(settings, 0), loaded);
}

QTEST_GUILESS_MAIN(TestCoolingChoice)
#include "tst_coolingchoice.moc"
