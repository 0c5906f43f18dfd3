// The calibration assistants in the window against the virtual chip, its magnet on the test
// clock: the buttons, the progress dialog and its Cancel, the fields and the report.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "app/calibration/calibration.h"
#include "tests/ui/virtual_chip_window.h"
#include "ui/accuracy_page.h"
#include "ui/analog_page.h"
#include "ui/angle_page.h"
#include "ui/calibration_controller.h"
#include "ui/point_cloud_chart.h"
#include "ui/xy_page.h"

namespace window_test {
namespace {

// OFFSET_SIN 300, OFFSET_COS -250 and ZERO_POS 1000 set off on purpose.
constexpr const char* kSetOff = "seed=7\nnoise=3\nreg.4=300\nreg.5=0x1F06\nreg.11=1000\n";

class WindowCalibration : public VirtualChipWindow {
  protected:
    QProgressDialog* Dialog() { return window->findChild<QProgressDialog*>("dlgCalibration"); }
    bool Report() {
        return ProcessUntil([&] { return !messages.empty(); }, 30000);
    }
    QString Text(const char* edit) { return Find<QLineEdit>(edit)->text(); }
    // Starts Centre signals and waits until its first trial value is in the chip: OA_X, the
    // centre being far off.
    bool CentreUntilTheTrialStep() {
        window->tsXYChart->btnCentreSignals->click();
        return ProcessUntil([&] { return Text("EditOA_X") == "0"; }, 20000) &&
               ProcessUntil([&] { return Text("EditOA_X") != "0"; }, 20000);
    }
};

TEST_F(WindowCalibration, CentreSignalsWritesTheOffsetsThatCentreTheCircle) {
    Use(std::string(kSetOff) + "rpm=6\n", true);
    OpenSwitchedOn();
    // The report offers Save record twice, then Close; the record goes to a text file, then
    // to a PDF.
    choices = {1, 1};
    const std::filesystem::path record = dir_ / "calibration.txt";
    const std::filesystem::path pdf = dir_ / "calibration.pdf";
    int chosen = 0;
    const ui::FileDialogFunction previous = ui::SetFileDialogFunction(
        [&](QWidget*, bool, const QString&, const QString&, const QString&) {
            return QString::fromStdString((chosen++ == 0 ? record : pdf).string());
        });
    window->tsXYChart->btnCentreSignals->click();
    ASSERT_NE(Dialog(), nullptr);
    // Beside the chart it measures, as far as the screen allows.
    const QRect chart(window->tsXYChart->ChartXY->mapToGlobal(QPoint(0, 0)),
                      window->tsXYChart->ChartXY->size());
    EXPECT_EQ(Dialog()->pos(), ui::BesideChart(chart, Dialog()->frameGeometry().size(),
                                               window->screen()->availableGeometry()));
    ASSERT_TRUE(Report());
    ui::SetFileDialogFunction(previous);
    ASSERT_EQ(messages.size(), 3u) << "the report, again after each record was saved";
    const QString report = messages[0].text;
    EXPECT_EQ(messages[0].icon, QMessageBox::Information) << report.toStdString();
    EXPECT_TRUE(report.startsWith("The signals are centred.")) << report.toStdString();
    EXPECT_TRUE(report.contains("Before: centre X ")) << report.toStdString();
    EXPECT_TRUE(report.contains("OA_X 0 → ")) << report.toStdString();
    // The chip holds values that centre the circle, the analogue offsets 16 codes a step and
    // the digital ones a code, and the edits show them.
    auto signedValue = [](int v, int bits) { return v >= 1 << (bits - 1) ? v - (1 << bits) : v; };
    const int x = 16 * signedValue(Text("EditOA_X").toInt(), 6) +
                  signedValue(Text("EditOFFSET_SIN").toInt(), 13);
    const int y = 16 * signedValue(Text("EditOA_Y").toInt(), 6) +
                  signedValue(Text("EditOFFSET_COS").toInt(), 13);
    EXPECT_LE(std::abs(x), 2);
    EXPECT_LE(std::abs(y), 2);
    std::ifstream in(record);
    const std::string saved((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(saved.rfind("Calibration record\nDate: ", 0), 0u) << saved;
    EXPECT_NE(saved.find("identifier 0x08E2"), std::string::npos) << saved;
    EXPECT_NE(saved.find(report.toStdString()), std::string::npos) << saved;
    std::ifstream page(pdf, std::ios::binary);
    char head[5] = {};
    page.read(head, 4);
    EXPECT_STREQ(head, "%PDF");
    // The page shows the last measurement's turn and its fit: the centred circle.
    EXPECT_GE(window->tsXYChart->ChartXY->PointCount(), app::OffsetAssistant::kMinPoints);
    const std::optional<app::LissajousResult> fit = window->tsXYChart->Fit.Fit();
    ASSERT_TRUE(fit);
    EXPECT_NEAR(fit->offsetX, 0, 3);
    EXPECT_NEAR(fit->offsetY, 0, 3);
    EXPECT_TRUE(Dialog() == nullptr || Dialog()->isHidden()) << "the dialog outlived the assistant";
}

TEST_F(WindowCalibration, CancelPutsTheStartingOffsetsBack) {
    Use(std::string(kSetOff) + "rpm=6\n", true);
    OpenSwitchedOn();
    ASSERT_TRUE(CentreUntilTheTrialStep()) << "no trial step";
    ASSERT_TRUE(messages.empty());
    QPushButton* cancel = Dialog()->findChild<QPushButton*>();
    ASSERT_NE(cancel, nullptr);
    EXPECT_EQ(cancel->text(), "Cancel");
    cancel->click();
    ASSERT_TRUE(Report());
    EXPECT_TRUE(messages[0].text.startsWith("Cancelled.")) << messages[0].text.toStdString();
    EXPECT_TRUE(messages[0].text.contains("The starting values were written back."));
    EXPECT_EQ(Text("EditOFFSET_SIN"), "300");
    EXPECT_EQ(Text("EditOFFSET_COS"), "7942");
    EXPECT_EQ(Text("EditOA_X"), "0");
    EXPECT_EQ(Text("EditOA_Y"), "0");
}

TEST_F(WindowCalibration, ClosingTheWindowCancelsAndWaitsForTheStartingValues) {
    Use(std::string(kSetOff) + "rpm=6\n", true);
    OpenSwitchedOn().show();
    ASSERT_TRUE(CentreUntilTheTrialStep()) << "no trial step";
    EXPECT_FALSE(window->close()) << "the window closed with the trial value in the chip";
    ASSERT_TRUE(Report());
    EXPECT_TRUE(messages[0].text.startsWith("Cancelled.")) << messages[0].text.toStdString();
    EXPECT_EQ(Text("EditOFFSET_SIN"), "300");
    EXPECT_EQ(Text("EditOA_X"), "0");
    EXPECT_TRUE(
        ProcessUntil([&] { return window->isHidden() && window->context.chip == nullptr; }, 5000))
        << "the close did not go on";
}

TEST_F(WindowCalibration, AWindowDestroyedWhileAnAssistantRunsPutsTheStartingValuesBack) {
    Use(std::string(kSetOff) + "rpm=6\n", true);
    OpenSwitchedOn();
    ASSERT_TRUE(CentreUntilTheTrialStep()) << "no trial step";
    window.reset();  // the sanitizers see any use of the gone context
    EXPECT_TRUE(messages.empty());
    // The same virtual chip, seen from a new window.
    OpenSwitchedOn();
    window->tsAnalogCfg->btnReadGroup1->click();
    EXPECT_EQ(Text("EditOFFSET_SIN"), "300");
    EXPECT_EQ(Text("EditOFFSET_COS"), "7942");
    EXPECT_EQ(Text("EditOA_X"), "0");
    EXPECT_EQ(Text("EditOA_Y"), "0");
}

TEST_F(WindowCalibration, CancelBeforeAnythingIsWrittenEndsAtOnce) {
    Use(std::string(kSetOff) + "rpm=6\n", true);
    OpenSwitchedOn();
    window->tsXYChart->btnCentreSignals->click();
    ASSERT_TRUE(ProcessUntil([&] { return Text("EditOFFSET_SIN") == "300"; }, 20000));
    Dialog()->findChild<QPushButton*>()->click();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "Cancelled.");
    EXPECT_EQ(Dialog() == nullptr || Dialog()->isHidden(), true);
    window->tsXYChart->btnCentreSignals->click();  // and it starts again
    EXPECT_NE(Dialog(), nullptr);
}

TEST(CalibrationDialog, GoesBesideTheChartWhereItCoversLeastOfIt) {
    const QRect chart(10, 40, 490, 490);
    const QSize dialog(350, 150);
    // Room on the right of a wide screen: right of the chart, clear of it.
    const QPoint right = ui::BesideChart(chart, dialog, QRect(0, 0, 1280, 1024));
    EXPECT_GT(right.x(), chart.right());
    EXPECT_FALSE(chart.intersects(QRect(right, dialog)));
    // No room on the right but below: below it.
    const QPoint below = ui::BesideChart(chart, dialog, QRect(0, 0, 800, 1024));
    EXPECT_FALSE(chart.intersects(QRect(below, dialog)));
    EXPECT_GT(below.y(), chart.bottom());
    // Room nowhere: on the screen, over as little of the chart as it can.
    const QRect screen(0, 0, 800, 600);
    const QPoint squeezed = ui::BesideChart(chart, dialog, screen);
    EXPECT_TRUE(screen.contains(QRect(squeezed, dialog)));
    const QRect covered = chart.intersected(QRect(squeezed, dialog));
    // Right of it, pushed back onto the screen: 50 of the chart's columns, where below,
    // left or above would cover 80 rows, 340 columns or 110 rows.
    EXPECT_EQ(covered.width() * covered.height(), 50 * 150);
}

// GA_X 3 makes channel X 19 % larger: Match amplitudes brings the gains together.
TEST_F(WindowCalibration, MatchAmplitudesBringsTheGainsTogether) {
    Use("seed=7\nnoise=3\nrpm=6\nreg.2=0x1800\n", true);
    OpenSwitchedOn();
    window->tsXYChart->btnMatchAmplitudes->click();
    ASSERT_NE(Dialog(), nullptr);
    ASSERT_TRUE(Report());
    ASSERT_EQ(messages.size(), 1u);
    const std::string report = messages[0].text.toStdString();
    EXPECT_EQ(report.rfind("The amplitudes are matched.\nBefore: amplitudes X ", 0), 0u) << report;
    EXPECT_NE(report.find("GA_X 3 → "), std::string::npos) << report;
    EXPECT_EQ(Text("EditGA_X"), Text("EditGA_Y"));
    EXPECT_NE(Text("EditGA_X"), "3");
}

TEST_F(WindowCalibration, SetZeroHereMakesThePositionReadZeroAndRefusesAWhileReadoutRuns) {
    Use(std::string(kSetOff) + "rpm=0.002\n", true);
    OpenSwitchedOn();
    // Not while the X-Y readout runs.
    window->tsXYChart->btnStartXYChart->click();
    window->stAng->btnZeroHere->click();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(messages[0].text.contains("Stop the periodic readout first"));
    EXPECT_EQ(Dialog(), nullptr);
    window->tsXYChart->btnStartXYChart->click();
    messages.clear();

    window->stAng->btnZeroHere->click();
    ASSERT_TRUE(Report());
    EXPECT_TRUE(messages[0].text.startsWith("The present position reads zero."))
        << messages[0].text.toStdString();
    EXPECT_TRUE(messages[0].text.contains("ZERO_POS 1000 → ")) << messages[0].text.toStdString();
    EXPECT_NE(Text("EditZERO_POS"), "1000");
}

TEST_F(WindowCalibration, SetZeroHereRefusesATurningMagnetAndWritesNothing) {
    Use(std::string(kSetOff) + "rpm=6\n", true);
    OpenSwitchedOn();
    window->stAng->btnZeroHere->click();
    ASSERT_TRUE(Report());
    EXPECT_EQ(messages[0].icon, QMessageBox::Warning);
    EXPECT_TRUE(messages[0].text.contains("The magnet turns")) << messages[0].text.toStdString();
    EXPECT_EQ(Text("EditZERO_POS"), "1000");
}

// Without a chip that answers, the assistants and the recording say what to do, in one
// message each, and touch nothing: the readings of an absent chip would pass for angles.
TEST_F(WindowCalibration, AssistantsAndTheRecordingStartOnlyFromAChipThatAnswers) {
    Use(kSetOff);
    Open();  // the exchange off
    window->stAng->btnZeroHere->click();
    window->tsXYChart->btnCentreSignals->click();
    window->tsAccuracy->btnStartAccuracy->click();
    ASSERT_EQ(messages.size(), 3u);
    for (const auto& message : messages) {
        EXPECT_TRUE(message.text.startsWith("The exchange with the chip is off"))
            << message.text.toStdString();
    }
    EXPECT_EQ(Dialog(), nullptr);
    EXPECT_FALSE(window->context.bStarted);

    for (const char* chip : {"absent", "silent"}) {
        window.reset();
        messages.clear();
        Use(std::string(kSetOff) + "chip=" + chip + "\n");
        OpenSwitchedOn();
        messages.clear();
        const QString zero = Text("EditZERO_POS");
        window->stAng->btnZeroHere->click();
        window->tsAccuracy->btnStartAccuracy->click();
        ASSERT_EQ(messages.size(), 2u) << chip;
        for (const auto& message : messages) {
            EXPECT_TRUE(message.text.startsWith("The chip does not answer with its identifier"))
                << message.text.toStdString();
        }
        EXPECT_EQ(Dialog(), nullptr) << chip;
        EXPECT_FALSE(window->context.bStarted) << chip;
        EXPECT_EQ(Text("EditZERO_POS"), zero) << chip << ": nothing read, nothing written";
    }
}

TEST_F(WindowCalibration, ALostAdapterIsOneMessageThatSaysWhatEachFieldMayHold) {
    Use(std::string(kSetOff) + "rpm=6\nvanish_after=400\n", true);
    OpenSwitchedOn();
    messages.clear();
    window->tsXYChart->btnCentreSignals->click();
    ASSERT_TRUE(Report());
    ProcessUntil([] { return false; }, 100);
    ASSERT_EQ(messages.size(), 1u);
    const std::string text = messages[0].text.toStdString();
    EXPECT_NE(text.find("did not complete a transfer"), std::string::npos) << text;
    EXPECT_NE(text.find("OFFSET_SIN may now hold "), std::string::npos) << text;
    EXPECT_NE(text.find("(it held 300 at the start)"), std::string::npos) << text;
    EXPECT_NE(text.find("OFFSET_COS may now hold "), std::string::npos) << text;
}

}  // namespace
}  // namespace window_test
