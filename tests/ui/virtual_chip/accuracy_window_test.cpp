// The accuracy page against the virtual chip, its magnet on the test clock with known errors:
// a recording over whole revolutions, both references, the exports and the report.
#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <fstream>
#include <iterator>
#include <string>

#include "tests/ui/virtual_chip_window.h"
#include "ui/accuracy_page.h"
#include "ui/regmap_page.h"
#include "ui/xy_page.h"

namespace window_test {
namespace {

class WindowAccuracy : public VirtualChipWindow {
  protected:
    void SetUp() override {
        VirtualChipWindow::SetUp();
        // Each reading's look at the time moves it on 10 ms of the magnet's time.
        seconds = [] { return TestClock::now += 0.01; };
    }
    ui::AccuracyPage& Page() { return *window->tsAccuracy; }
    // Records the revolutions with a 1 ms interval and waits for the run's end.
    bool Record(int revolutions) {
        Page().EditAccRevs->setText(QString::number(revolutions));
        Page().EditAccInt->setText("1");
        Page().btnStartAccuracy->click();
        return ProcessUntil(
            [&] { return !window->context.bStarted && !Page().TimerAccuracy->isActive(); }, 60000);
    }
    static std::string Slurp(const std::filesystem::path& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    std::filesystem::path Truth() const { return dir_ / "truth.csv"; }
};

TEST_F(WindowAccuracy, BothReferencesFindTheInjectedHarmonics) {
    Use("rpm=60\neccentricity=0.5\nharmonic2=0.2\ntruth=" + Truth().string() + "\n", true);
    OpenSwitchedOn();
    ASSERT_TRUE(Record(3));
    EXPECT_TRUE(messages.empty()) << messages[0].text.toStdString();
    ASSERT_TRUE(Page().Result()) << Page().LabelAccState->text().toStdString();
    EXPECT_EQ(Page().Result()->revolutions, 3);
    EXPECT_NEAR(Page().Result()->harmonics[0].amplitude, 0.5, 0.05);
    EXPECT_NEAR(Page().Result()->harmonics[1].amplitude, 0.2, 0.05);
    EXPECT_TRUE(Page().LabelAccState->text().endsWith("over 3 revolutions analysed."))
        << Page().LabelAccState->text().toStdString();
    EXPECT_EQ(Page().btnStartAccuracy->text(), "Start");
    EXPECT_TRUE(Page().btnAccExport->isEnabled());

    // The virtual chip's own log of its magnet, on the same clock, as the instrument.
    Page().UseReference(QString::fromStdString(Truth().string()), app::ReferenceColumns{});
    EXPECT_TRUE(Page().rbAccReference->isChecked());
    ASSERT_TRUE(Page().Result()) << Page().LabelAccState->text().toStdString();
    EXPECT_NEAR(Page().Result()->harmonics[0].amplitude, 0.5, 0.05);
    EXPECT_NEAR(Page().Result()->harmonics[1].amplitude, 0.2, 0.05);
    EXPECT_NE(Page().LabelAccOffsetV->text(), QString(QChar(0x2014)));

    const auto report = dir_ / "report.pdf";
    ASSERT_TRUE(Page().SaveReport(QString::fromStdString(report.string())));
    const std::string pdf = Slurp(report);
    EXPECT_EQ(pdf.substr(0, 5), "%PDF-");
    EXPECT_GT(pdf.size(), 5000u);
    ASSERT_TRUE(Page().SaveHarmonics(QString::fromStdString((dir_ / "h.csv").string())));
    EXPECT_EQ(Slurp(dir_ / "h.csv").substr(0, 35), "Harmonic;Amplitude, deg;Phase, deg\n");
    EXPECT_FALSE(Page().SaveCurve(QString::fromStdString((dir_ / "no/such/dir.csv").string())));
}

TEST_F(WindowAccuracy, AReferenceThatDoesNotFitSaysWhyAndKeepsTheRecording) {
    Use("rpm=60\n", true);
    OpenSwitchedOn();
    ASSERT_TRUE(Record(1));
    ASSERT_TRUE(Page().Result());
    const size_t readings = Page().Recording().Readings().size();
    struct Case {
        const char* text;
        const char* says;
    };
    const Case cases[] = {
        {"0;0\n1;360\n", "does not cover the recording's times"},
        {"t;a\n1000;0\n1001;x\n",
         "Line 3 of the reference: the time or the angle is not a number."},
        {"", "holds no data line."},
    };
    for (const Case& c : cases) {
        Write("ref.csv", c.text);
        Page().UseReference(QString::fromStdString((dir_ / "ref.csv").string()),
                            app::ReferenceColumns{});
        EXPECT_FALSE(Page().Result()) << c.text;
        EXPECT_TRUE(Page().LabelAccState->text().contains(c.says))
            << Page().LabelAccState->text().toStdString();
        EXPECT_EQ(Page().Recording().Readings().size(), readings);
    }
    // Back to constant speed: the same recording analysed again.
    Page().rbAccConstant->setChecked(true);
    EXPECT_TRUE(Page().Result());
    EXPECT_FALSE(Page().SaveReport(QString()));  // no path: no report, and no crash
}

TEST_F(WindowAccuracy, AStopBeforeATurnAnalysesNothingAndSaysWhy) {
    Use("rpm=0\n", true);
    OpenSwitchedOn();
    Page().EditAccInt->setText("1");
    Page().btnStartAccuracy->click();
    ASSERT_TRUE(ProcessUntil([&] { return Page().Recording().Readings().size() >= 50; }, 20000));
    EXPECT_TRUE(Page().LabelAccState->text().startsWith("Recording: 0.00 of 5 revolutions"))
        << Page().LabelAccState->text().toStdString();
    Page().btnStartAccuracy->click();  // Stop: the recording ends at once
    EXPECT_FALSE(Page().TimerAccuracy->isActive());
    const size_t readings = Page().Recording().Readings().size();
    // Another readout started right away sets the shared run flag again: the recording
    // stays ended.
    window->tsXYChart->btnStartXYChart->click();
    ProcessUntil([] { return false; }, 200);
    window->tsXYChart->btnStartXYChart->click();
    EXPECT_EQ(Page().Recording().Readings().size(), readings);
    EXPECT_EQ(Page().btnStartAccuracy->text(), "Start");
    EXPECT_FALSE(Page().Result());
    EXPECT_EQ(Page().LabelAccState->text(),
              "The readings do not span one whole revolution: let the magnet turn.");
    // The readings can still be saved; the curve and the report cannot.
    EXPECT_TRUE(Page().SaveReadings(QString::fromStdString((dir_ / "r.csv").string())));
    EXPECT_FALSE(Page().SaveCurve(QString::fromStdString((dir_ / "c.csv").string())));
}

// A recording's holes are wrong figures: while it runs nothing else in the window reaches the
// chip, and it starts only when no other readout runs.
TEST_F(WindowAccuracy, WhileThePageRecordsNothingElseUsesTheChip) {
    const auto trace = dir_ / "trace.txt";
    Use("rpm=0\ntrace=" + trace.string() + "\n", true);
    OpenSwitchedOn();
    window->tsXYChart->EditXYInt->setText("1");
    window->tsXYChart->btnStartXYChart->click();
    Page().btnStartAccuracy->click();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text,
              "Stop the other readouts first: the recording needs the chip to itself.");
    EXPECT_FALSE(Page().TimerAccuracy->isActive());
    window->tsXYChart->btnStartXYChart->click();  // Stop
    ProcessUntil([&] { return !window->tsXYChart->TimerXYData->isActive(); }, 2000);
    messages.clear();

    Page().EditAccInt->setText("1");
    Page().btnStartAccuracy->click();
    ASSERT_TRUE(ProcessUntil([&] { return Page().Recording().Readings().size() >= 20; }, 20000));
    const std::string busy =
        "The angle accuracy page is recording: nothing else may use the chip until it ends. "
        "Wait for it or stop it.";
    Find<QPushButton>("btnWriteGroup1")->click();
    Find<QPushButton>("btnReadChID")->click();
    const size_t traced = Slurp(trace).size();
    window->tsXYChart->btnStartXYChart->click();
    window->tsXYChart->btnCentreSignals->click();
    window->tsRegMap->btnReadAll->click();
    ProcessUntil([] { return false; }, 300);
    // Only bare read frames (the angle words) since: no command of any other operation.
    const std::string since = Slurp(trace).substr(traced);
    EXPECT_EQ(since.find(" write "), std::string::npos) << since.substr(0, 400);
    EXPECT_NE(since.find(" read "), std::string::npos) << "the recording went on";
    ASSERT_EQ(messages.size(), 5u);
    for (const Message& message : messages) {
        EXPECT_EQ(message.icon, QMessageBox::Information);
        EXPECT_EQ(message.text.toStdString(), busy);
    }
    EXPECT_FALSE(window->tsXYChart->TimerXYData->isActive());
    EXPECT_EQ(window->tsXYChart->btnStartXYChart->text(), "Start");
    EXPECT_TRUE(window->context.recording);

    Page().btnStartAccuracy->click();  // Stop
    EXPECT_FALSE(window->context.recording);
    messages.clear();
    Find<QPushButton>("btnReadChID")->click();
    EXPECT_TRUE(messages.empty()) << messages[0].text.toStdString();
}

// A chip that converts at each read, a magnet at 6 rpm and 2° of phase between the channels:
// the X-Y page's phase is the sensor's 2°, not 2° plus the 3.6° the 100 ms between the reads
// turn.
TEST_F(VirtualChipWindow, TheXYPhaseIsTheSensorsWhileTheMagnetTurns) {
    seconds = [] { return TestClock::now; };
    Use("rpm=6\nphase=2\n", true);
    Open();
    ui::XYPage& xy = *window->tsXYChart;
    xy.EditXYInt->setText("1");
    xy.btnStartXYChart->click();
    ASSERT_TRUE(ProcessUntil([&] { return xy.Fit.Count() >= 80; }, 60000));
    xy.btnStartXYChart->click();
    const auto fit = xy.Fit.Fit();
    ASSERT_TRUE(fit.has_value());
    EXPECT_EQ(fit->withdrawn, app::LissajousResult::Withdrawn::None);
    EXPECT_NEAR(fit->phaseDegrees, 2.0, 0.1);
    EXPECT_NEAR(fit->skewCorrectionDegrees, 3.6, 0.1);
    EXPECT_NEAR(fit->turnDegreesPerSecond, 36, 0.5);
}

// The bench case: 200 rpm read every millisecond over 10 revolutions, against constant speed,
// the chip's own true angle, and that angle logged by an instrument turning the other way.
TEST_F(WindowAccuracy, AtBenchSpeedEveryReferenceFindsTheHarmonicsAReversedOneTurnedRound) {
    seconds = [] { return TestClock::now += 0.001; };
    Use("rpm=200\neccentricity=0.5\nharmonic2=0.2\ntruth=" + Truth().string() + "\n", true);
    OpenSwitchedOn();
    ASSERT_TRUE(Record(10));
    auto expectTruth = [&](const char* method) {
        ASSERT_TRUE(Page().Result())
            << method << ": " << Page().LabelAccState->text().toStdString();
        EXPECT_EQ(Page().Result()->revolutions, 10) << method;
        EXPECT_NEAR(Page().Result()->harmonics[0].amplitude, 0.5, 0.05) << method;
        EXPECT_NEAR(Page().Result()->harmonics[1].amplitude, 0.2, 0.05) << method;
    };
    expectTruth("constant speed");
    EXPECT_FALSE(Page().LabelAccLimits->text().isEmpty()) << "the speed ripple's caveat";
    Page().UseReference(QString::fromStdString(Truth().string()), app::ReferenceColumns{});
    expectTruth("reference");
    EXPECT_FALSE(Page().Result()->referenceReversed);

    std::ifstream in(Truth());
    std::ofstream out(dir_ / "reversed.csv");
    std::string line;
    while (std::getline(in, line)) {
        const size_t split = line.find(';');
        out << line.substr(0, split) << ';' << 360.0 - std::stod(line.substr(split + 1)) << '\n';
    }
    out.close();
    Page().UseReference(QString::fromStdString((dir_ / "reversed.csv").string()),
                        app::ReferenceColumns{});
    expectTruth("reversed reference");
    EXPECT_TRUE(Page().Result()->referenceReversed);
    EXPECT_TRUE(Page().LabelAccState->text().endsWith("its angle is taken reversed."))
        << Page().LabelAccState->text().toStdString();
}

// A recording that stops on a lost adapter keeps the Parts' caption and run flag, but says it
// stopped, and leaves the chip to the rest of the window.
TEST_F(WindowAccuracy, ARecordingEndedByALostAdapterSaysSoAndHoldsNothing) {
    Use("rpm=60\nvanish_after=40\n", true);
    OpenSwitchedOn();
    Page().EditAccInt->setText("1");
    Page().btnStartAccuracy->click();
    ASSERT_TRUE(ProcessUntil([&] { return !messages.empty(); }, 20000));
    ProcessUntil([] { return false; }, 100);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(messages[0].text.contains("did not complete a transfer"))
        << messages[0].text.toStdString();
    EXPECT_FALSE(Page().LabelAccState->text().startsWith("Recording"))
        << Page().LabelAccState->text().toStdString();
    EXPECT_FALSE(window->context.recording);
    EXPECT_EQ(window->context.readoutsRunning, 0);
    EXPECT_TRUE(window->context.bStarted) << "the run flag stays set, as after a readout's error";
}

}  // namespace
}  // namespace window_test
