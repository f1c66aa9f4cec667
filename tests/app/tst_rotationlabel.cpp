// SPDX-License-Identifier: GPL-3.0-or-later
#include "rotationlabel.h"

#include <QPropertyAnimation>
#include <QTest>

#include <climits>

namespace {

// Frames told apart by their width: frame i is (10 + i) pixels wide.
QPixmap frame(int index)
{
    QPixmap pixmap(10 + index, 4);
    pixmap.fill(Qt::red);
    return pixmap;
}

RotationLabel *labelWithFrames(int count, QWidget *parent = nullptr)
{
    auto *label = new RotationLabel(parent);
    for (int i = 0; i < count; ++i)
        label->addPixmap(frame(i));
    return label;
}

class PaintCounter final : public QObject
{
public:
    int paints = 0;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return QObject::eventFilter(watched, event);
    }
};

// -1 when the label shows no picture.
int shownFrame(const RotationLabel &label)
{
    const QPixmap shown = label.pixmap(Qt::ReturnByValue);
    return shown.isNull() ? -1 : shown.width() - 10;
}

} // namespace

class TestRotationLabel : public QObject
{
    Q_OBJECT

private slots:
    void startsAtZeroWithoutPicture();
    void setRotateShowsFrameModuloCount_data();
    void setRotateShowsFrameModuloCount();
    void withoutFramesKeepsCurrentPicture();
    void rotatePropertyDrivesTheFrames();
    void animationAlternatesTwoFrames_data();
    void animationAlternatesTwoFrames();
    void repaintsOnlyForANewFrame();
};

void TestRotationLabel::startsAtZeroWithoutPicture()
{
    RotationLabel label;
    QCOMPARE(label.rotate(), 0);
    QCOMPARE(shownFrame(label), -1);
}

void TestRotationLabel::setRotateShowsFrameModuloCount_data()
{
    QTest::addColumn<int>("frames");
    QTest::addColumn<int>("rotate");
    QTest::addColumn<int>("expectedFrame");

    QTest::newRow("none, 0") << 0 << 0 << -1;
    QTest::newRow("none, 5") << 0 << 5 << -1;
    QTest::newRow("none, -3") << 0 << -3 << -1;
    QTest::newRow("one, 0") << 1 << 0 << 0;
    QTest::newRow("one, 7") << 1 << 7 << 0;
    QTest::newRow("one, -7") << 1 << -7 << 0;
    QTest::newRow("two, 0") << 2 << 0 << 0;
    QTest::newRow("two, 1") << 2 << 1 << 1;
    QTest::newRow("two, 2 (animation end)") << 2 << 2 << 0;
    QTest::newRow("two, 5") << 2 << 5 << 1;
    QTest::newRow("two, -1") << 2 << -1 << 1;
    QTest::newRow("two, -2") << 2 << -2 << 0;
    QTest::newRow("two, INT_MAX") << 2 << INT_MAX << 1;
    QTest::newRow("two, INT_MIN") << 2 << INT_MIN << 0;
    QTest::newRow("three, 5") << 3 << 5 << 2;
    QTest::newRow("three, -1") << 3 << -1 << 2;
    QTest::newRow("three, -4") << 3 << -4 << 2;
    QTest::newRow("three, INT_MAX") << 3 << INT_MAX << 1;
    QTest::newRow("three, INT_MIN") << 3 << INT_MIN << 1;
}

void TestRotationLabel::setRotateShowsFrameModuloCount()
{
    QFETCH(int, frames);
    QFETCH(int, rotate);
    QFETCH(int, expectedFrame);

    QScopedPointer<RotationLabel> label(labelWithFrames(frames));
    label->setRotate(rotate);
    QCOMPARE(shownFrame(*label), expectedFrame);
    QCOMPARE(label->rotate(), rotate);
}

void TestRotationLabel::withoutFramesKeepsCurrentPicture()
{
    RotationLabel label;
    label.setPixmap(frame(4));
    label.setRotate(5);
    QCOMPARE(shownFrame(label), 4);
    QCOMPARE(label.rotate(), 5);
}

void TestRotationLabel::rotatePropertyDrivesTheFrames()
{
    QScopedPointer<RotationLabel> label(labelWithFrames(2));
    QVERIFY(label->setProperty("rotate", 3));
    QCOMPARE(label->property("rotate").toInt(), 3);
    QCOMPARE(shownFrame(*label), 1);
}

void TestRotationLabel::animationAlternatesTwoFrames_data()
{
    QTest::addColumn<int>("time");
    QTest::addColumn<int>("expectedFrame");

    // One loop of 400 ms from 0 to 2: frame 0 in the first half, frame 1 in the second.
    QTest::newRow("start") << 0 << 0;
    QTest::newRow("first quarter") << 90 << 0;
    QTest::newRow("middle") << 200 << 1;
    QTest::newRow("third quarter") << 290 << 1;
    QTest::newRow("second loop, start") << 400 << 0;
    QTest::newRow("second loop, middle") << 600 << 1;
}

void TestRotationLabel::animationAlternatesTwoFrames()
{
    QFETCH(int, time);
    QFETCH(int, expectedFrame);

    QScopedPointer<RotationLabel> label(labelWithFrames(2));
    QPropertyAnimation animation(label.data(), "rotate");
    animation.setStartValue(0);
    animation.setEndValue(2);
    animation.setLoopCount(-1);
    animation.setDuration(400);
    // A stopped animation writes nothing; a paused one follows setCurrentTime.
    animation.start();
    animation.pause();
    animation.setCurrentTime(time);
    QCOMPARE(shownFrame(*label), expectedFrame);
}

void TestRotationLabel::repaintsOnlyForANewFrame()
{
    QScopedPointer<RotationLabel> label(labelWithFrames(2));
    label->setRotate(0);
    label->show();
    QVERIFY(QTest::qWaitForWindowExposed(label.data()));
    QTest::qWait(20);
    PaintCounter counter;
    label->installEventFilter(&counter);

    // An animation writes the value on every tick; these all show frame 0.
    for (const int rotate : {0, 2, -2, 4})
        label->setRotate(rotate);
    QTest::qWait(50);
    QCOMPARE(counter.paints, 0);

    label->setRotate(1);
    QTRY_VERIFY(counter.paints > 0);
    QCOMPARE(shownFrame(*label), 1);
}

QTEST_MAIN(TestRotationLabel)
#include "tst_rotationlabel.moc"
