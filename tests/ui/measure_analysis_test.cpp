// What the angle-data and X-Y pages work out from their readings: the angle statistics, the
// ellipse fit with its curve, and the ADC headroom, each reset by a start.
#include <qcustomplot.h>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <cmath>
#include <numbers>

#include "tests/ui/measure_fixture.h"
#include "ui/angle_stats_panel.h"
#include "ui/fit_panel.h"
#include "ui/work_page.h"
#include "ui/xy_page.h"

namespace {

uint16_t Code(double value) {
    return static_cast<uint16_t>(std::lround(value) & 0x1FFF);
}

class FitPageTest : public measure_test::MeasureTest {
  protected:
    void SetUp() override {
        MeasureTest::SetUp();
        page.EditXYInt->setText("0");
    }
    // A point of an ellipse centred at (100, -60) with amplitudes 2000 and 1800.
    void ReadingAt(double degrees) {
        const double t = degrees * std::numbers::pi / 180;
        chip_.registers[35] = Code(100 + 2000 * std::sin(t));
        chip_.registers[34] = Code(-60 + 1800 * std::cos(t));
        page.TimerXYDataTimer();
    }
    std::string Text(QLabel* label) const { return label->text().toStdString(); }

    ui::XYPage page{context, nullptr};
};

TEST_F(FitPageTest, AFullTurnShowsTheEllipseItsBudgetAndTheHeadroom) {
    page.btnStartXYChart->click();  // the first reading, at (0, 0)
    for (int degrees = 0; degrees < 360; degrees += 10) ReadingAt(degrees);
    page.ShowFit();
    // The reading at (0, 0) of the start lies off the ellipse, and the points are whole
    // codes: the fit is close, not exact.
    EXPECT_EQ(page.Fit.Count(), 37u);
    const std::optional<app::LissajousResult> fit = page.Fit.Fit();
    ASSERT_TRUE(fit.has_value());
    EXPECT_NEAR(fit->offsetX, 100, 30);
    EXPECT_NEAR(fit->amplitudeX, 2000, 60);
    EXPECT_EQ(Text(page.PanelFit->LabelFitState), "");
    EXPECT_FALSE(page.PanelFit->LabelFitOffsetV->text().isEmpty());
    EXPECT_TRUE(page.PanelFit->LabelFitErrTotalV->text().endsWith(QChar(0x00B0)));
    EXPECT_EQ(page.FitCurve->dataCount(), 361);
    // 2100 - (-1900) of 8191 codes and 1740 - (-1860).
    EXPECT_EQ(Text(page.PanelFit->LabelHeadroomV), "49 / 44 %");
    EXPECT_EQ(Text(page.PanelFit->LabelHeadroomWarning), "");

    page.btnStartXYChart->click();  // stop
    page.btnStartXYChart->click();  // a new start forgets the fit
    EXPECT_EQ(page.Fit.Count(), 1u);
    page.ShowFit();
    EXPECT_EQ(Text(page.PanelFit->LabelFitState), "The fit needs at least 8 points.");
    EXPECT_EQ(Text(page.PanelFit->LabelFitOffsetV), "");
    EXPECT_EQ(page.FitCurve->dataCount(), 0);
    // One point says nothing of the signal's size.
    EXPECT_EQ(Text(page.PanelFit->LabelHeadroomWarning), "");
}

TEST_F(FitPageTest, HalfATurnAsksForMoreAndAClippingChannelIsNamed) {
    ReadingAt(0);
    page.btnStartXYChart->click();  // the start reads the point at 0 degrees
    for (int degrees = 10; degrees <= 180; degrees += 10) ReadingAt(degrees);
    page.ShowFit();
    EXPECT_EQ(Text(page.PanelFit->LabelFitState),
              "The fit needs points around at least 270° of a turn: let the magnet turn.");
    // Half a turn takes X only from its offset to its top, 2000 of 8191 codes: no sign of
    // a small signal until the points go around most of a turn.
    EXPECT_EQ(Text(page.PanelFit->LabelHeadroomWarning), "");
    chip_.registers[35] = Code(4095);
    chip_.registers[34] = Code(0);
    page.TimerXYDataTimer();
    page.ShowFit();
    EXPECT_EQ(Text(page.PanelFit->LabelHeadroomWarning),
              "Channel X reaches the end of the ADC range and clips: lower its gain.");
    // The chip's own out-of-range flag, as the status strip shows it, counts too.
    context.statusLit = [](const char* indicator) { return std::string(indicator) == "rbOTR_Y"; };
    page.ShowFit();
    EXPECT_EQ(Text(page.PanelFit->LabelHeadroomWarning),
              "Channel X reaches the end of the ADC range and clips: lower its gain.\n"
              "Channel Y reaches the end of the ADC range and clips: lower its gain.");
}

TEST_F(FitPageTest, ASmallSignalIsNamedOnceThePointsGoAroundATurn) {
    page.btnStartXYChart->click();
    for (int degrees = 0; degrees < 360; degrees += 10) {
        const double t = degrees * std::numbers::pi / 180;
        chip_.registers[35] = Code(500 * std::sin(t));
        chip_.registers[34] = Code(400 * std::cos(t));
        page.TimerXYDataTimer();
    }
    page.ShowFit();
    EXPECT_EQ(Text(page.PanelFit->LabelFitState), "");
    EXPECT_EQ(Text(page.PanelFit->LabelHeadroomWarning),
              "Channel X uses less than a quarter of the ADC range: raise its gain.\n"
              "Channel Y uses less than a quarter of the ADC range: raise its gain.");
}

class AngleStatsPageTest : public measure_test::MeasureTest {
  protected:
    std::string Text(QLabel* label) const { return label->text().toStdString(); }
    ui::WorkPage page{context, nullptr};
};

TEST_F(AngleStatsPageTest, ARestingMagnetShowsItsMeanAndNoiseAndAStartForgetsThem) {
    page.EditAngleWorkDataInt->setText("0");
    SetAngleWord(0x0A2B);
    page.BtnStartAngleWrkData->click();  // reads 2603
    SetAngleWord(0x0A2C);
    page.TimerWorkDataTimer();
    page.ShowAngleStats();
    const ui::AngleStatsPanel& panel = *page.PanelAngleStats;
    EXPECT_EQ(Text(panel.LabelAngleCountV), "2");
    EXPECT_EQ(Text(panel.LabelAngleMeanV), "2603.5 (114.412°)");
    EXPECT_EQ(Text(panel.LabelAngleSigmaV), "0.50 (0.022°)");
    EXPECT_EQ(Text(panel.LabelAnglePPV), "1 (0.044°)");
    EXPECT_EQ(Text(panel.LabelAngleEnobV), "12.21");  // log2(8192 / (0.5 * sqrt(12)))
    EXPECT_EQ(Text(panel.LabelAngleNfbV), "13.00");
    EXPECT_EQ(Text(panel.LabelAngleSpeedV), "—");

    page.BtnStartAngleWrkData->click();  // stop
    page.BtnStartAngleWrkData->click();  // start again: one reading
    EXPECT_EQ(page.AngleStats.Count(), 1u);
    page.ShowAngleStats();
    EXPECT_EQ(Text(panel.LabelAngleCountV), "1");
}

TEST_F(AngleStatsPageTest, ATurningMagnetShowsItsSpeedInsteadOfNoise) {
    page.EditAngleWorkDataInt->setText("0");
    page.BtnStartAngleWrkData->click();
    for (int step = 1; step <= 20; ++step) {
        SetAngleWord(static_cast<uint16_t>((2603 + 100 * step) % 8192));
        page.TimerWorkDataTimer();
    }
    page.ShowAngleStats();
    EXPECT_EQ(Text(page.PanelAngleStats->LabelAngleSigmaV), "—");
    const QString speed = page.PanelAngleStats->LabelAngleSpeedV->text();
    ASSERT_TRUE(speed.endsWith(" rpm")) << speed.toStdString();
    bool number = false;
    const double rpm = speed.chopped(4).toDouble(&number);
    EXPECT_TRUE(number && std::isfinite(rpm) && rpm > 0) << speed.toStdString();
}

}  // namespace
