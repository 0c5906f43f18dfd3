// The calibration assistants in the window against the virtual chip, its magnet on the test
// clock: the buttons, the progress dialog and its Cancel, the fields and the report.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>

#include "app/calibration.h"
#include "tests/faults/window_fixture.h"
#include "ui/accuracy_page.h"
#include "ui/analog_page.h"
#include "ui/angle_page.h"
#include "ui/point_cloud_chart.h"
#include "ui/xy_page.h"

namespace faults {
namespace {

// OFFSET_SIN 300, OFFSET_COS -250 and ZERO_POS 1000 set off on purpose.
constexpr const char* kSetOff = "seed=7\nnoise=3\nreg.4=300\nreg.5=0x1F06\nreg.11=1000\n";

class WindowCalibration : public WindowFault {
  protected:
    QProgressDialog* Dialog() { return window->findChild<QProgressDialog*>("dlgCalibration"); }
    bool Report() {
        return ProcessUntil([&] { return !messages.empty(); }, 30000);
    }
    QString Text(const char* edit) { return Find<QLineEdit>(edit)->text(); }
    // Starts Centre signals and waits until its first trial value is in the chip.
    bool CentreUntilTheTrialStep() {
        window->tsXYChart->btnCentreSignals->click();
        return ProcessUntil([&] { return Text("EditOFFSET_SIN") == "300"; }, 20000) &&
               ProcessUntil([&] { return Text("EditOFFSET_SIN") != "300"; }, 20000);
    }
};

TEST_F(WindowCalibration, CentreSignalsWritesTheOffsetsThatCentreTheCircle) {
    Use(std::string(kSetOff) + "rpm=6\n", true);
    OpenSwitchedOn();
    window->tsXYChart->btnCentreSignals->click();
    ASSERT_NE(Dialog(), nullptr);
    ASSERT_TRUE(Report());
    ASSERT_EQ(messages.size(), 1u);
    const QString report = messages[0].text;
    EXPECT_EQ(messages[0].icon, QMessageBox::Information) << report.toStdString();
    EXPECT_TRUE(report.startsWith("The signals are centred.")) << report.toStdString();
    EXPECT_TRUE(report.contains("Before: centre X ")) << report.toStdString();
    // The chip holds values near 0 and the edits show them.
    const int sine = Text("EditOFFSET_SIN").toInt(), cosine = Text("EditOFFSET_COS").toInt();
    EXPECT_TRUE(sine <= 2 || sine >= 8190) << sine;
    EXPECT_TRUE(cosine <= 2 || cosine >= 8190) << cosine;
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
}

TEST_F(WindowCalibration, ClosingTheWindowCancelsAndWaitsForTheStartingValues) {
    Use(std::string(kSetOff) + "rpm=6\n", true);
    OpenSwitchedOn().show();
    ASSERT_TRUE(CentreUntilTheTrialStep()) << "no trial step";
    EXPECT_FALSE(window->close()) << "the window closed with the trial value in the chip";
    ASSERT_TRUE(Report());
    EXPECT_TRUE(messages[0].text.startsWith("Cancelled.")) << messages[0].text.toStdString();
    EXPECT_EQ(Text("EditOFFSET_SIN"), "300");
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
}  // namespace faults
