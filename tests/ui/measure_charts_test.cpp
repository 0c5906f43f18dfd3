// The signal-chart page, the X-Y page and the chart widgets under them.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSplitter>
#include <QTimer>

#include "tests/ui/measure_fixture.h"
#include "ui/charts_page.h"
#include "ui/xy_page.h"

namespace {

class ChartsPageTest : public measure_test::MeasureTest {
  protected:
    void SetUp() override {
        MeasureTest::SetUp();
        chip_.registers[34] = 0x1F00;        // cosine -256
        chip_.registers[35] = 0x0FFF;        // sine 4095
        chip_.registers[36] = 0xE000 | 291;  // upper bits dropped
        chip_.registers[37] = 100;
        chip_.registers[38] = 0x2000 | 2000;
        page.EditInterval->setText("0");  // one reading per start
    }
    void Reading() {
        page.btnStart->click();
        page.btnStart->click();
    }

    ui::ChartsPage page{context, nullptr};
};

TEST_F(ChartsPageTest, ReadingAddsOnePointToEachSeriesAndLogsCosineFirst) {
    page.EditChartsFile->setText(QPathOf("charts.csv"));
    page.cbSaveChartsToFile->setChecked(true);
    chip_.ClearRecord();
    Reading();
    EXPECT_EQ(chip_.reads, (std::vector<int>{34, 35, 36, 37, 38}));
    EXPECT_EQ(clock_.pauses, 5);
    struct Case {
        ui::TypedChartLine<int16_t>* line;
        int16_t value;
    };
    for (const Case c :
         {Case{page.SeriesSin, 4095}, Case{page.SeriesCos, -256}, Case{page.SeriesCordic, 291},
          Case{page.SeriesAng, 100}, Case{page.SeriesAmpl, 2000}}) {
        ASSERT_EQ(c.line->Size(), 1u) << c.line->Graph()->name().toStdString();
        EXPECT_EQ(c.line->Series().YAt(0), c.value) << c.line->Graph()->name().toStdString();
        EXPECT_EQ(c.line->Series().XAt(0), 0);
    }
    EXPECT_EQ(Read("charts.csv"),
              "RegCOS;RegSin;Cordic_OUT;Ang_OUT;Aplitude\r\n-256;4095;291;100;2000\r\n");
    EXPECT_EQ(page.ChartTickCount, 1);
}

TEST_F(ChartsPageTest, HiddenSeriesKeepReceivingPoints) {
    page.cbSin->click();
    EXPECT_FALSE(page.SeriesSin->Graph()->visible());
    for (int i = 0; i < 10; ++i) Reading();
    EXPECT_EQ(page.SeriesSin->Size(), 10u);
    page.cbSin->click();
    EXPECT_TRUE(page.SeriesSin->Graph()->visible());
    page.resize(930, 520);
    page.show();
    page.Chart1->replot();
    page.Chart1->replot();
    EXPECT_GE(ui::DecimatedChart::DrawnPoints(page.SeriesSin), 10);
    // Every box shows or hides its own series only.
    for (QCheckBox* box : {page.cbCos, page.cbCordic, page.cbAng, page.cbAmpl}) box->click();
    EXPECT_TRUE(page.SeriesSin->Graph()->visible());
    for (auto* line : {page.SeriesCos, page.SeriesCordic, page.SeriesAng, page.SeriesAmpl})
        EXPECT_FALSE(line->Graph()->visible()) << line->Graph()->name().toStdString();
}

TEST_F(ChartsPageTest, CounterGoesOnAfterClear) {
    for (int i = 0; i < 3; ++i) Reading();
    page.btnClear2->click();
    for (auto* line :
         {page.SeriesSin, page.SeriesCos, page.SeriesCordic, page.SeriesAng, page.SeriesAmpl})
        EXPECT_EQ(line->Size(), 0u);
    Reading();
    EXPECT_EQ(page.SeriesAmpl->Series().XAt(0), 3);
    EXPECT_EQ(page.ChartTickCount, 4);
}

TEST_F(ChartsPageTest, LogErrorOnTheBareDirectoryKeepsThePointsAndTheCount) {
    page.EditChartsFile->setText(QString::fromStdString(context.ExePath));
    page.cbSaveChartsToFile->setChecked(true);
    page.EditInterval->setText("100");
    page.btnStart->click();
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(page.SeriesSin->Size(), 1u);
    EXPECT_EQ(page.ChartTickCount, 0);
    EXPECT_FALSE(page.Timer->isActive());
    EXPECT_EQ(page.btnStart->text(), "Стоп");
}

TEST_F(ChartsPageTest, LayoutAndLegends) {
    EXPECT_EQ(page.objectName(), "tsCharts");
    EXPECT_EQ(page.Panel3->height(), 73);
    EXPECT_EQ(page.Splitter1->objectName(), "Splitter1");
    EXPECT_EQ(page.ChartSplitter->handleWidth(), 9);
    EXPECT_EQ(page.Timer->interval(), 100);
    for (auto* chart : {page.Chart1, page.Chart2, page.Chart3})
        EXPECT_TRUE(chart->legend->visible());
    EXPECT_EQ(page.SeriesSin->Graph()->name(), "Reg_Sin");
    EXPECT_EQ(page.SeriesCordic->Graph()->name(), "CORDIC_OUT");
    EXPECT_EQ(page.SeriesAng->Graph()->name(), "ANG_OUT");
    EXPECT_EQ(page.cbCordic->text(), "Cordic_OUT");
    page.cbSaveChartsToFile->click();
    EXPECT_EQ(saves, 1);
}

class XYPageTest : public measure_test::MeasureTest {
  protected:
    void SetUp() override {
        MeasureTest::SetUp();
        page.EditXYInt->setText("0");
    }
    void ReadingOf(uint16_t reg35, uint16_t reg34) {
        chip_.registers[35] = reg35;
        chip_.registers[34] = reg34;
        page.TimerXYDataTimer();
    }
    std::vector<std::string> Values() const {
        std::vector<std::string> texts;
        for (QLabel* label : {page.LabelXYSinMAXV, page.LabelXYSinMINV, page.LabelXYSinOFFSETV,
                              page.LabelXYSinAMPLV, page.LabelXYCosMAXV, page.LabelXYCosMINV,
                              page.LabelXYCosOFFSETV, page.LabelXYCosAMPLV})
            texts.push_back(label->text().toStdString());
        return texts;
    }

    ui::XYPage page{context, nullptr};
};

TEST_F(XYPageTest, FirstReadingAfterStartIsMaximumMinimumAndOffset) {
    EXPECT_EQ(Values(), std::vector<std::string>(8, "0"));
    chip_.registers[35] = 0x0100;
    chip_.registers[34] = 0x1000;
    page.EditXYFilename->setText(QPathOf("xy.csv"));
    page.cbSaveXYToFile->setChecked(true);
    chip_.ClearRecord();
    page.btnStartXYChart->click();
    EXPECT_EQ(chip_.reads, (std::vector<int>{34, 35}));
    EXPECT_EQ(Values(),
              (std::vector<std::string>{"256", "256", "256", "0", "-4096", "-4096", "-4096", "0"}));
    EXPECT_EQ(page.ChartXY->PointCount(), 1u);
    EXPECT_EQ(Read("xy.csv"), "X;Y\r\n256;-4096;\r\n");
}

TEST_F(XYPageTest, OnlyTheStartResetsTheExtremes) {
    page.btnStartXYChart->click();  // reads (0, 0)
    ReadingOf(1000, 0x1000 | (8192 - 997));
    ReadingOf(0x1000 | (8192 - 999), 1000);
    EXPECT_EQ(Values(),
              (std::vector<std::string>{"1000", "-999", "0", "1000", "1000", "-997", "2", "998"}));
    page.btnClear3->click();  // removes the points, keeps the statistics
    EXPECT_EQ(page.ChartXY->PointCount(), 0u);
    EXPECT_EQ(Values()[0], "1000");
    ReadingOf(5, 5);
    EXPECT_EQ(Values()[1], "-999");
    page.btnStartXYChart->click();  // stop: nothing changes
    EXPECT_EQ(Values()[0], "1000");
    chip_.registers[35] = 7;
    chip_.registers[34] = 9;
    page.btnStartXYChart->click();  // start: the extremes begin again
    EXPECT_EQ(Values(), (std::vector<std::string>{"7", "7", "7", "0", "9", "9", "9", "0"}));
}

TEST_F(XYPageTest, UnmaskedWordsLieOutsideTheAxes) {
    page.btnStartXYChart->click();
    ReadingOf(0x2005, 0xF000);
    EXPECT_EQ(page.Statistics.XYMaxX, 0x2005);
    EXPECT_EQ(page.Statistics.XYMaxY, 0xF000 - 8192);
    EXPECT_EQ(page.ChartXY->PointCount(), 2u);
}

TEST_F(XYPageTest, LogErrorKeepsTheLabelsAndThePoint) {
    page.EditXYFilename->setText(QString::fromStdString(context.ExePath));
    page.cbSaveXYToFile->setChecked(true);
    page.EditXYInt->setText("100");
    chip_.registers[35] = 12;
    page.btnStartXYChart->click();
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(page.LabelXYSinMAXV->text(), "12");
    EXPECT_EQ(page.ChartXY->PointCount(), 1u);
    EXPECT_FALSE(page.TimerXYData->isActive());
    EXPECT_EQ(page.btnStartXYChart->text(), "Стоп");
    page.cbSaveXYToFile->click();
    EXPECT_EQ(saves, 2);  // ticked above, cleared here
}

TEST_F(XYPageTest, ChartHasFixedAxesAndDrawsItsPoints) {
    EXPECT_EQ(page.ChartXY->size(), QSize(490, 490));
    EXPECT_EQ(page.ChartXY->xAxis->range(), QCPRange(-4500, 4500));
    EXPECT_EQ(page.ChartXY->yAxis->range(), QCPRange(-4500, 4500));
    EXPECT_EQ(page.ChartXY->xAxis->tickLabelRotation(), 90);
    EXPECT_FALSE(page.ChartXY->legend->visible());
    page.btnStartXYChart->click();
    ReadingOf(0x0F00, 0x0F00);  // (3840, 3840): top right
    page.ChartXY->replot();
    const QImage image = page.ChartXY->toPixmap(490, 490).toImage();
    const int px = static_cast<int>(page.ChartXY->xAxis->coordToPixel(3840));
    const int py = static_cast<int>(page.ChartXY->yAxis->coordToPixel(3840));
    EXPECT_NE(image.pixelColor(px, py), QColor(Qt::white));
    const int cx = static_cast<int>(page.ChartXY->xAxis->coordToPixel(-3000));
    EXPECT_EQ(image.pixelColor(cx, py), QColor(Qt::white));
}

TEST(DecimatedChart, HandsTheGraphAboutTwoPointsPerColumnAndSpansAllPoints) {
    ui::DecimatedChart chart;
    chart.resize(900, 380);
    auto* line = chart.AddLine<int16_t>("line", Qt::red);
    for (int64_t x = 0; x < 200'000; ++x)
        chart.Append(line, x, static_cast<int16_t>((x * 37) % 8000 - 4000));
    chart.replot();
    chart.replot();  // the first layout settles the axis rect's width
    const int columns = chart.axisRect()->width();
    EXPECT_LE(ui::DecimatedChart::DrawnPoints(line), 2 * columns + 2);
    EXPECT_GE(ui::DecimatedChart::DrawnPoints(line), columns);
    EXPECT_EQ(chart.xAxis->range(), QCPRange(0, 199'999));
    // Every point inside, with no more than a small margin.
    EXPECT_LE(chart.yAxis->range().lower, -4000);
    EXPECT_GE(chart.yAxis->range().lower, -4000 - 400);
    EXPECT_GE(chart.yAxis->range().upper, 3999);
    EXPECT_LE(chart.yAxis->range().upper, 3999 + 400);
}

TEST(DecimatedChart, ZoomedViewIsHeldAndRedrawnUntilAutoAxesReturn) {
    ui::DecimatedChart chart;
    chart.resize(900, 380);
    auto* line = chart.AddLine<int16_t>("line", Qt::red);
    for (int64_t x = 0; x < 100'000; ++x) chart.Append(line, x, static_cast<int16_t>(x % 100));
    chart.replot();
    chart.xAxis->setRange(1000, 1100);  // as a zoom by the user does
    chart.Append(line, 100'000, int16_t{5});
    chart.replot();
    EXPECT_FALSE(chart.AutoAxes());
    EXPECT_EQ(chart.xAxis->range(), QCPRange(1000, 1100));
    // The 101 points of the view and one neighbour on each side, not a column summary.
    EXPECT_EQ(ui::DecimatedChart::DrawnPoints(line), 103);
    chart.SetAutoAxes(true);
    chart.replot();
    EXPECT_EQ(chart.xAxis->range(), QCPRange(0, 100'000));
}

}  // namespace
