// The dial indicator: switching, the timer, and the needle as drawn on the paint box.
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include "tests/ui/measure_fixture.h"
#include "ui/dial_indicator.h"

namespace {

const QColor kRed(255, 0, 0);

class DialTest : public measure_test::MeasureTest {
  protected:
    void SetUp() override {
        MeasureTest::SetUp();
        dial.btnAnalogInd->setText("Включить индикатор");
        dial.SetUp();
        dial.show();
    }
    void TearDown() override {
        dial.TimerAnalog->stop();
        MeasureTest::TearDown();
    }
    QImage Picture() const { return dial.pbAI->grab().toImage(); }
    int RedPixels() const {
        const QImage image = Picture();
        int count = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) count += image.pixelColor(x, y) == kRed;
        return count;
    }

    ui::DialIndicator dial{context, nullptr};
};

TEST_F(DialTest, SetUpTakesTheCentreFromThePaintBox) {
    EXPECT_EQ(dial.X0, 150);
    EXPECT_EQ(dial.Y0, 150);
    EXPECT_EQ(dial.X1, 150);
    EXPECT_EQ(dial.Y1, 150);
    EXPECT_EQ(dial.pbAI->Pen.width(), 3);
    EXPECT_TRUE(dial.ImageClock->isHidden());
    EXPECT_EQ(dial.ImageClock->pixmap().size(), QSize(300, 300));
    EXPECT_EQ(RedPixels(), 0);  // the face has no needle colour
}

TEST_F(DialTest, NeedleEndsOnePixelLeftOfTheComputedPoints) {
    struct Case {
        uint16_t word;
        QPoint end;  // as drawn
    };
    for (const Case c : {Case{0, {149, 50}}, Case{2048, {249, 150}}, Case{4096, {149, 250}},
                         Case{6144, {49, 150}}, Case{8191, {149, 50}}, Case{10240, {249, 150}}}) {
        chip_.registers[37] = c.word;
        dial.TimerAnalogTimer();
        EXPECT_EQ(QPoint(dial.X1 - 1, dial.Y1), c.end) << c.word;
        const QImage image = Picture();
        const QPoint start(149, 150);
        const QPoint middle = (start + c.end) / 2;
        EXPECT_EQ(image.pixelColor(c.end), kRed) << c.word;
        EXPECT_EQ(image.pixelColor(middle), kRed) << c.word;
        // Three pixels wide about the line, no more.
        const QPoint across = c.end.x() == 149 ? QPoint(1, 0) : QPoint(0, 1);
        EXPECT_EQ(image.pixelColor(middle + across), kRed) << c.word;
        EXPECT_NE(image.pixelColor(middle + 2 * across), kRed) << c.word;
        EXPECT_NE(image.pixelColor(middle - 2 * across), kRed) << c.word;
        // The previous needle is gone: only one needle's worth of red.
        EXPECT_LT(RedPixels(), 3 * 104 + 10) << c.word;
    }
}

TEST_F(DialTest, SwitchingOnReadsAtOnceAndEvery10Ms) {
    chip_.registers[37] = 2048;
    chip_.ClearRecord();
    dial.btnAnalogInd->click();
    EXPECT_EQ(dial.btnAnalogInd->text(), "Выключить индикатор");
    EXPECT_TRUE(dial.bAnalogStarted);
    EXPECT_EQ(chip_.reads, std::vector<int>{37});
    EXPECT_EQ(clock_.pauses, 1);
    EXPECT_EQ(dial.X1, 250);
    EXPECT_TRUE(dial.TimerAnalog->isActive());
    EXPECT_EQ(dial.TimerAnalog->interval(), 10);
    EXPECT_TRUE(ProcessUntil([&] { return chip_.reads.size() >= 3; }));
}

TEST_F(DialTest, SwitchingOffBeforeTheTickLeavesOneMoreReadingThenStops) {
    dial.btnAnalogInd->click();
    dial.btnAnalogInd->click();
    EXPECT_EQ(dial.btnAnalogInd->text(), "Включить индикатор");
    EXPECT_FALSE(dial.bAnalogStarted);
    EXPECT_TRUE(dial.TimerAnalog->isActive());
    chip_.ClearRecord();
    ASSERT_TRUE(ProcessUntil([&] { return !dial.TimerAnalog->isActive(); }));
    EXPECT_EQ(chip_.reads, std::vector<int>{37});
}

TEST_F(DialTest, RepaintAfterSwitchingOffShowsTheBareFace) {
    chip_.registers[37] = 1000;
    dial.btnAnalogInd->click();
    dial.btnAnalogInd->click();
    dial.TimerAnalog->stop();
    EXPECT_GT(RedPixels(), 200);
    dial.hide();  // another page shown, then this one again
    dial.show();
    EXPECT_EQ(RedPixels(), 0);
}

}  // namespace
