// What every measurement chart offers beside its points: the held-view note, a least span
// for a flat trace, the X-Y view fitted to the data, and the context menu that saves the
// picture or every point, or copies the picture.
#include <qcustomplot.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QPushButton>
#include <sstream>

#include "tests/ui/measure_fixture.h"
#include "ui/decimated_chart.h"
#include "ui/message_box.h"
#include "ui/point_cloud_chart.h"
#include "ui/work_page.h"
#include "ui/xy_page.h"

namespace {

TEST(ChartViews, AHeldViewSaysSoAndAFlatTraceKeepsClearOfTheFrame) {
    ui::DecimatedChart chart;
    chart.resize(900, 380);
    auto* line = chart.AddLine<uint16_t>("Angle", Qt::red);
    for (int64_t x = 0; x < 50; ++x) chart.Append(line, x, uint16_t{2603});
    chart.replot();
    EXPECT_FALSE(chart.HeldNote()->visible());
    EXPECT_LE(chart.yAxis->range().lower, 2603 - ui::DecimatedChart::kMinYSpan / 2);
    EXPECT_GE(chart.yAxis->range().upper, 2603 + ui::DecimatedChart::kMinYSpan / 2);

    chart.SetHeldNoteText([] { return QStringLiteral("held"); });
    chart.xAxis->setRange(10, 20);  // as a drag by the user does
    chart.replot();
    EXPECT_TRUE(chart.HeldNote()->visible());
    EXPECT_EQ(chart.HeldNote()->text(), "held");
    chart.SetAutoAxes(true);  // what the double click does
    chart.replot();
    EXPECT_FALSE(chart.HeldNote()->visible());
}

TEST(ChartViews, EveryPointOfEveryLineGoesToTheCsvNotOnlyThoseDrawn) {
    ui::DecimatedChart chart;
    auto* sine = chart.AddLine<int16_t>("Sin", Qt::red);
    auto* cosine = chart.AddLine<int16_t>("Cos", Qt::blue);
    for (int64_t x = 7; x < 7 + 100'000; ++x) {
        chart.Append(sine, x, static_cast<int16_t>(x % 50 - 25));
        chart.Append(cosine, x, int16_t{-3});
    }
    std::ostringstream csv;
    ASSERT_TRUE(chart.WriteCsv(csv));
    const std::string text = csv.str();
    EXPECT_EQ(text.substr(0, 27), "Reading;Sin;Cos\r\n7;-18;-3\r\n");
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 100'001);

    ui::PointCloudChart xy;
    xy.AddPoint(256, -4096);
    xy.AddPoint(-1, 2);
    std::ostringstream points;
    ASSERT_TRUE(xy.WriteCsv(points));
    EXPECT_EQ(points.str(), "X;Y\r\n256;-4096\r\n-1;2\r\n");
}

TEST(ChartViews, TheXYViewFitsTheDataWithOneScaleAndGoesBackToItsFixedAxes) {
    ui::PointCloudChart xy;
    xy.SetFixedRange(-4500, 4500);
    xy.AddPoint(100, 50);
    xy.AddPoint(300, 90);
    xy.FitToData();
    EXPECT_EQ(xy.xAxis->range().size(), xy.yAxis->range().size());
    EXPECT_LT(xy.xAxis->range().lower, 100);
    EXPECT_GT(xy.xAxis->range().upper, 300);
    EXPECT_LT(xy.xAxis->range().size(), 400);
    xy.ShowFixedRange();
    EXPECT_EQ(xy.xAxis->range(), QCPRange(-4500, 4500));
    EXPECT_EQ(xy.yAxis->range(), QCPRange(-4500, 4500));
}

class ChartMenuTest : public measure_test::MeasureTest {
  protected:
    void SetUp() override {
        MeasureTest::SetUp();
        previous_ = ui::SetFileDialogFunction(
            [this](QWidget*, bool, const QString&, const QString&, const QString& filter) {
                filters.push_back(filter);
                return chosen;
            });
    }
    void TearDown() override {
        ui::SetFileDialogFunction(previous_);
        MeasureTest::TearDown();
    }
    // Opens the chart's context menu and returns its actions by text.
    QList<QAction*> MenuOf(QCustomPlot* chart) {
        emit chart->customContextMenuRequested(QPoint(10, 10));
        auto* menu = chart->findChild<QMenu*>(chart->objectName() + "Menu");
        return menu != nullptr ? menu->actions() : QList<QAction*>{};
    }
    static QAction* Find(const QList<QAction*>& actions, const QString& text) {
        for (QAction* action : actions)
            if (action->text() == text) return action;
        return nullptr;
    }

    QString chosen;
    std::vector<QString> filters;

  private:
    ui::FileDialogFunction previous_;
};

TEST_F(ChartMenuTest, TheAngleChartSavesItsPictureAndItsDataAndCopiesThePicture) {
    ui::WorkPage page{context, nullptr};
    SetAngleWord(0x0A2B);
    page.EditAngleWorkDataInt->setText("0");
    page.BtnStartAngleWrkData->click();
    const QList<QAction*> actions = MenuOf(page.ChartAngle);
    ASSERT_NE(Find(actions, "Save picture…"), nullptr);

    chosen = QPathOf("angle.png");
    Find(actions, "Save picture…")->trigger();
    EXPECT_EQ(filters.back(), "PNG (*.png);;PDF (*.pdf)");
    EXPECT_EQ(Read("angle.png").substr(1, 3), "PNG");
    chosen = QPathOf("angle.pdf");
    Find(actions, "Save picture…")->trigger();
    EXPECT_EQ(Read("angle.pdf").substr(0, 4), "%PDF");

    chosen = QPathOf("angle.csv");
    Find(actions, "Save data…")->trigger();
    EXPECT_EQ(Read("angle.csv"), "Reading;Angle\r\n0;2603\r\n");

    QApplication::clipboard()->clear();
    Find(actions, "Copy picture")->trigger();
    EXPECT_FALSE(QApplication::clipboard()->pixmap().isNull());

    chosen = QPathOf("no/such/folder/angle.csv");
    Find(actions, "Save data…")->trigger();
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_TRUE(errors[0].contains("angle.csv")) << errors[0].toStdString();
}

TEST_F(ChartMenuTest, TheXYChartOffersAViewFittedToItsData) {
    ui::XYPage page{context, nullptr};
    page.EditXYInt->setText("0");
    chip_.registers[35] = 100;
    chip_.registers[34] = 50;
    page.btnStartXYChart->click();
    const QList<QAction*> actions = MenuOf(page.ChartXY);
    ASSERT_EQ(actions.size(), 6) << "three for every chart, a separator, two views";
    Find(actions, "Fit to data")->trigger();
    EXPECT_LT(page.ChartXY->xAxis->range().size(), 100);
    Find(actions, "Fixed axes ±4500")->trigger();
    EXPECT_EQ(page.ChartXY->xAxis->range(), QCPRange(-4500, 4500));
}

}  // namespace
