// The angle-data page and the rules every periodic readout shares: the start/stop rule on the
// caption, the one run flag, the tick frame, the counters and the log file.
#include <QAccessible>
#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>

#include "tests/ui/measure_fixture.h"
#include "ui/charts_page.h"
#include "ui/work_page.h"

namespace {

class WorkPageTest : public measure_test::MeasureTest {
  protected:
    void SetUp() override {
        MeasureTest::SetUp();
        SetAngleWord(0x0A2B);
    }
    size_t Points() const { return page.LineSeriesAngleData->Size(); }
    QString Caption() const { return page.BtnStartAngleWrkData->text(); }
    void LogTo(const std::string& name) {
        page.EditAngleDataFile->setText(QPathOf(name));
        page.cbSaveToFile->setChecked(true);
    }

    ui::WorkPage page{context, nullptr};
};

TEST_F(WorkPageTest, SingleReadAddsTheExactLineAndNothingElse) {
    LogTo("data.csv");
    page.BtnReadAngleData->click();
    SetAngleWord(0xE00F);
    page.BtnReadAngleData->click();
    EXPECT_EQ(page.MemoAData->toPlainText().toStdString(),
              "hex 0A2B angle=2603 ADC=0 LOW_SPEED = 0 CRC=0\n"
              "hex E00F angle=15 ADC=1 LOW_SPEED = 1 CRC=1");
    EXPECT_EQ(Points(), 0u);
    EXPECT_EQ(page.AngleTickCount, 0u);
    EXPECT_FALSE(Exists("data.csv"));
    EXPECT_EQ(clock_.pauses, 0);  // the angle word comes without the register read pause
}

TEST_F(WorkPageTest, StartReadsOnceAtOnceAndArmsTheTimerWithTheInterval) {
    page.EditAngleWorkDataInt->setText("250");
    page.BtnStartAngleWrkData->click();
    EXPECT_EQ(Caption(), "Стоп");
    EXPECT_TRUE(context.bStarted);
    EXPECT_EQ(Points(), 1u);
    EXPECT_EQ(page.LineSeriesAngleData->Series().YAt(0), 2603);
    EXPECT_EQ(page.AngleTickCount, 1u);
    EXPECT_TRUE(page.TimerWorkData->isActive());
    EXPECT_EQ(page.TimerWorkData->interval(), 250);
    // A change of the interval while running waits for the next start.
    page.EditAngleWorkDataInt->setText("300");
    page.TimerWorkDataTimer();
    EXPECT_EQ(page.TimerWorkData->interval(), 250);
}

TEST_F(WorkPageTest, StopIsFollowedByExactlyOneMoreReading) {
    LogTo("data.csv");
    page.BtnStartAngleWrkData->click();
    page.BtnStartAngleWrkData->click();
    EXPECT_EQ(Caption(), "Старт");
    EXPECT_FALSE(context.bStarted);
    EXPECT_TRUE(page.TimerWorkData->isActive());  // the stop branch leaves the timer alone
    ASSERT_TRUE(ProcessUntil([&] { return !page.TimerWorkData->isActive(); }));
    EXPECT_EQ(page.AngleTickCount, 2u);
    EXPECT_EQ(Read("data.csv"),
              "FullData;Angle Data;ADC;LS;CRC\r\n0A2B;2603;0;0;0\r\n0A2B;2603;0;0;0\r\n");
}

TEST_F(WorkPageTest, TheTimerKeepsReadingWhileStarted) {
    page.EditAngleWorkDataInt->setText("1");
    page.BtnStartAngleWrkData->click();
    EXPECT_TRUE(ProcessUntil([&] { return page.AngleTickCount >= 4; }));
    page.BtnStartAngleWrkData->click();
    ASSERT_TRUE(ProcessUntil([&] { return !page.TimerWorkData->isActive(); }));
    const uint32_t stopped = page.AngleTickCount;
    ProcessFor(50);
    EXPECT_EQ(page.AngleTickCount, stopped);
}

TEST_F(WorkPageTest, IntervalTextDecidesTheTimer) {
    struct Case {
        const char* text;
        bool armed;
        int interval;
    };
    for (const Case c : {Case{"0", false, 0}, Case{"-5", false, 0}, Case{"abc", true, 100},
                         Case{"", true, 100}, Case{"  $10", true, 16}, Case{"7", true, 7}}) {
        page.EditAngleWorkDataInt->setText(c.text);
        const uint32_t before = page.AngleTickCount;
        page.BtnStartAngleWrkData->click();
        EXPECT_EQ(page.AngleTickCount, before + 1) << c.text;  // the start branch's reading
        EXPECT_EQ(page.TimerWorkData->isActive(), c.armed) << c.text;
        if (c.armed) {
            EXPECT_EQ(page.TimerWorkData->interval(), c.interval) << c.text;
        }
        EXPECT_EQ(Caption(), "Стоп") << c.text;
        EXPECT_EQ(page.EditAngleWorkDataInt->text(), c.text);  // the edit keeps its text
        page.BtnStartAngleWrkData->click();
        page.TimerWorkData->stop();
    }
}

TEST_F(WorkPageTest, CounterGoesOnAfterClearAndRestart) {
    page.EditAngleWorkDataInt->setText("0");
    for (int i = 0; i < 3; ++i) {
        page.BtnStartAngleWrkData->click();
        page.BtnStartAngleWrkData->click();
    }
    page.btnClear1->click();
    EXPECT_EQ(Points(), 0u);
    EXPECT_EQ(page.AngleTickCount, 3u);
    page.BtnStartAngleWrkData->click();
    ASSERT_EQ(Points(), 1u);
    EXPECT_EQ(page.LineSeriesAngleData->Series().XAt(0), 3);
    EXPECT_EQ(page.AngleTickCount, 4u);
}

TEST_F(WorkPageTest, LogHeaderOnlyWhenTheFileIsCreated) {
    struct Case {
        const char* before;  // nullptr: no file
        std::string after;
    };
    const std::string line = "0A2B;2603;0;0;0\r\n";
    for (const Case& c : {Case{nullptr, "FullData;Angle Data;ADC;LS;CRC\r\n" + line},
                          Case{"", line}, Case{"old\r\n", "old\r\n" + line}}) {
        std::filesystem::remove(PathOf("log.csv"));
        if (c.before) Write("log.csv", c.before);
        LogTo("log.csv");
        page.EditAngleWorkDataInt->setText("0");
        page.BtnStartAngleWrkData->click();
        page.BtnStartAngleWrkData->click();
        EXPECT_EQ(Read("log.csv"), c.after) << (c.before ? c.before : "(none)");
    }
    EXPECT_TRUE(errors.empty());
}

TEST_F(WorkPageTest, LogErrorEndsTheTickAfterThePoint) {
    page.EditAngleDataFile->setText(QString::fromStdString(context.ExePath));  // a directory
    page.cbSaveToFile->setChecked(true);
    page.BtnStartAngleWrkData->click();
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_TRUE(errors[0].contains("Is a directory")) << errors[0].toStdString();
    EXPECT_TRUE(errors[0].contains(QString::fromStdString(context.ExePath)));
    EXPECT_EQ(Points(), 1u);             // plotted before the log step
    EXPECT_EQ(page.AngleTickCount, 0u);  // not advanced
    EXPECT_FALSE(page.TimerWorkData->isActive());
    EXPECT_EQ(Caption(), "Стоп");
    EXPECT_TRUE(context.bStarted);
}

TEST_F(WorkPageTest, LogBoxSavesTheSettingsWhetherClickedOrToggledByAnAssistiveTool) {
    page.cbSaveToFile->click();
    EXPECT_EQ(saves, 1);
    QAccessibleInterface* box = QAccessible::queryAccessibleInterface(page.cbSaveToFile);
    ASSERT_NE(box, nullptr);
    ASSERT_NE(box->actionInterface(), nullptr);
    box->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    EXPECT_FALSE(page.cbSaveToFile->isChecked());
    EXPECT_EQ(saves, 2);
}

TEST_F(WorkPageTest, StoppingAnotherReadoutStopsThisOneAfterItsNextTick) {
    ui::ChartsPage charts{context, nullptr};
    page.BtnStartAngleWrkData->click();
    charts.btnStart->click();
    charts.btnStart->click();  // stop branch on the other page clears the shared flag
    EXPECT_FALSE(context.bStarted);
    charts.TimerTimer();  // each armed timer fires once more
    page.TimerWorkDataTimer();
    EXPECT_FALSE(page.TimerWorkData->isActive());
    EXPECT_FALSE(charts.Timer->isActive());
    EXPECT_EQ(Caption(), "Стоп");
    // This page's button now takes the stop branch, and the press after that starts again.
    page.BtnStartAngleWrkData->click();
    EXPECT_EQ(Caption(), "Старт");
    EXPECT_FALSE(page.TimerWorkData->isActive());
    page.BtnStartAngleWrkData->click();
    EXPECT_TRUE(page.TimerWorkData->isActive());
    // Starting this page sets the flag for all, but arms only its own timer.
    EXPECT_TRUE(context.bStarted);
    EXPECT_FALSE(charts.Timer->isActive());
    EXPECT_EQ(charts.btnStart->text(), "Старт");
}

TEST_F(WorkPageTest, ControlsCarryTheirNamesAndDesignState) {
    for (const char* name : {"BtnStartAngleWrkData", "EditAngleWorkDataInt", "LabelInterval3",
                             "btnClear1", "BtnReadAngleData", "LabelFilename2", "EditAngleDataFile",
                             "cbSaveToFile", "MemoAData", "ChartAngle", "TimerWorkData"}) {
        EXPECT_NE(page.findChild<QObject*>(name), nullptr) << name;
    }
    EXPECT_EQ(page.objectName(), "tsWork");
    EXPECT_EQ(page.EditAngleWorkDataInt->text(), "100");
    EXPECT_EQ(page.TimerWorkData->interval(), 200);
    EXPECT_FALSE(page.TimerWorkData->isActive());
    EXPECT_FALSE(page.ChartAngle->legend->visible());
}

}  // namespace
