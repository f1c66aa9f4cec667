// SPDX-License-Identifier: GPL-3.0-or-later
#include <QFile>
#include <QImage>
#include <QPixmap>
#include <QRegularExpression>
#include <QSet>
#include <QTest>

namespace {

// Every resource path the form names, in the order it first names them.
QStringList imagesNamedByForm()
{
    QFile form(QStringLiteral(CORVANE_FORM_FILE));
    if (!form.open(QIODevice::ReadOnly))
        return {};
    const QString text = QString::fromUtf8(form.readAll());
    static const QRegularExpression path(QStringLiteral(R"(:/[A-Za-z0-9_/]+\.png)"));
    QStringList paths;
    for (auto it = path.globalMatch(text); it.hasNext();) {
        const QString found = it.next().captured();
        if (!paths.contains(found))
            paths << found;
    }
    return paths;
}

} // namespace

class TestUiResources : public QObject
{
    Q_OBJECT

private slots:
    void formNamesTheImagesItShows();
    void imagesLoad_data();
    void imagesLoad();
    void bladeFramesDiffer();
    void ledPreviewsDiffer();
    void translationIsBuiltIn();
};

void TestUiResources::formNamesTheImagesItShows()
{
    const QStringList named = imagesNamedByForm();
    QVERIFY2(!named.isEmpty(), CORVANE_FORM_FILE);
    for (const char *expected : {":/ui/res/main_logo.png", ":/ui/res/i_model.png", ":/ui/res/i_power.png",
                                 ":/ui/res/i_connection.png", ":/ui/res/i_sn.png", ":/ui/res/warning.png",
                                 ":/ui/res/blade.png", ":/ui/res/led/cover.png"})
        QVERIFY2(named.contains(QLatin1String(expected)), expected);
}

void TestUiResources::imagesLoad_data()
{
    QTest::addColumn<QString>("path");

    for (const QString &path : imagesNamedByForm())
        QTest::newRow(qPrintable("form: " + path)) << path;
    // Named by the program at run time rather than by the form.
    QStringList runtime = {":/res/logo.png", ":/ui/res/blade25.png", ":/ui/res/led/ledcyc.png"};
    for (int n = 0; n < 3; ++n)
        runtime << QStringLiteral(":/ui/res/splash/splash_%1.png").arg(n);
    for (int n = 0; n < 14; ++n)
        runtime << QStringLiteral(":/ui/res/led/led%1.png").arg(n);
    for (const QString &path : qAsConst(runtime))
        QTest::newRow(qPrintable(path)) << path;
}

void TestUiResources::imagesLoad()
{
    QFETCH(QString, path);
    QVERIFY(QFile::exists(path));
    QVERIFY(!QPixmap(path).isNull());
}

void TestUiResources::bladeFramesDiffer()
{
    const QImage frame0(QStringLiteral(":/ui/res/blade.png"));
    const QImage frame1(QStringLiteral(":/ui/res/blade25.png"));
    QCOMPARE(frame0.size(), frame1.size());
    QCOMPARE(frame0.width(), frame0.height());
    QVERIFY(frame0 != frame1);
}

void TestUiResources::ledPreviewsDiffer()
{
    QSet<QRgb> centres;
    for (int n = 0; n < 14; ++n) {
        const QImage preview(QStringLiteral(":/ui/res/led/led%1.png").arg(n));
        centres.insert(preview.pixel(preview.width() / 2, preview.height() / 2));
    }
    QCOMPARE(centres.size(), 14);
}

void TestUiResources::translationIsBuiltIn()
{
    QFile qm(QStringLiteral(":/i18n/zh_CN.qm"));
    QVERIFY(qm.open(QIODevice::ReadOnly));
    QVERIFY(qm.size() > 16);
}

QTEST_MAIN(TestUiResources)
#include "tst_uiresources.moc"
