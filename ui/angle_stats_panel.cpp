#include "ui/angle_stats_panel.h"

#include <qcustomplot.h>

#include <QGridLayout>
#include <QLabel>

#include "ui/figure_grid.h"
#include "ui/window_style.h"

namespace ui {
namespace {

constexpr QChar kDegree(0x00B0);
constexpr QChar kDash(0x2014);

// Codes with their value in degrees: "4000.5 (175.803°)".
QString CodesAndDegrees(double codes, int decimals) {
    return QString::number(codes, 'f', decimals) + QStringLiteral(" (") +
           QString::number(codes * app::kDegreesPerCode, 'f', 3) + kDegree + QLatin1Char(')');
}

}  // namespace

AngleStatsPanel::AngleStatsPanel(QWidget* parent) : QWidget(parent) {
    setObjectName("PanelAngleStats");
    FigureGrid grid(this, QMargins(4, 0, 0, 0));
    LabelAngleStats = grid.Heading("Статистика угла:", "LabelAngleStats");
    auto line = [&grid](auto&&... args) { grid.Line(args...); };
    line(LabelAngleCount, LabelAngleCountV, "Отсчётов:", "LabelAngleCount", "LabelAngleCountV");
    line(LabelAngleMean, LabelAngleMeanV, "Среднее:", "LabelAngleMean", "LabelAngleMeanV");
    line(LabelAngleSigma, LabelAngleSigmaV, "СКО:", "LabelAngleSigma", "LabelAngleSigmaV");
    line(LabelAnglePP, LabelAnglePPV, "Размах:", "LabelAnglePP", "LabelAnglePPV");
    line(LabelAngleEnob, LabelAngleEnobV, "Эффективных бит:", "LabelAngleEnob", "LabelAngleEnobV");
    line(LabelAngleNfb, LabelAngleNfbV, "Бит без шума:", "LabelAngleNfb", "LabelAngleNfbV");
    line(LabelAngleRate, LabelAngleRateV, "Частота отсчётов:", "LabelAngleRate", "LabelAngleRateV");
    line(LabelAngleLate, LabelAngleLateV, "Опоздавших:", "LabelAngleLate", "LabelAngleLateV");
    line(LabelAngleSpeed, LabelAngleSpeedV, "Скорость:", "LabelAngleSpeed", "LabelAngleSpeedV");

    ChartAngleHistogram = Named(new QCustomPlot(this), "ChartAngleHistogram");
    ChartAngleHistogram->setMinimumHeight(110);
    ChartAngleHistogram->xAxis->setRange(-kHistogramHalfWidth - 1, kHistogramHalfWidth + 1);
    ChartAngleHistogram->xAxis->setLabel(Design("Δ, коды"));
    ChartAngleHistogram->yAxis->setTickLabels(false);
    bars_ = new QCPBars(ChartAngleHistogram->xAxis, ChartAngleHistogram->yAxis);
    bars_->setWidth(0.8);
    bars_->setBrush(QColor(220, 0, 0));
    bars_->setPen(Qt::NoPen);
    grid.AddWide(ChartAngleHistogram);
    grid.Finish();
}

void AngleStatsPanel::Clear() {
    for (QLabel* value :
         {LabelAngleCountV, LabelAngleMeanV, LabelAngleSigmaV, LabelAnglePPV, LabelAngleEnobV,
          LabelAngleNfbV, LabelAngleRateV, LabelAngleLateV, LabelAngleSpeedV}) {
        value->clear();
    }
    bars_->data()->clear();
    ChartAngleHistogram->replot(QCustomPlot::rpQueuedReplot);
}

void AngleStatsPanel::SetFormulaTips(const app::AnalysisTexts& texts) {
    for (QLabel* label : {LabelAngleEnob, LabelAngleEnobV})
        label->setToolTip(QString::fromStdString(texts.vEnobFormula));
    for (QLabel* label : {LabelAngleNfb, LabelAngleNfbV})
        label->setToolTip(QString::fromStdString(texts.vNfbFormula));
}

void AngleStatsPanel::Show(const app::AngleStatistics& statistics) {
    const app::AngleSummary s = statistics.Summary();
    LabelAngleCountV->setText(QString::number(s.count));
    LabelAngleRateV->setText(QString::number(s.rateHz, 'f', 1) + QStringLiteral(" Hz"));
    LabelAngleLateV->setText(QString::number(s.late));
    if (s.rpm) {
        // The spread of a turning magnet is its travel, not noise.
        for (QLabel* value :
             {LabelAngleMeanV, LabelAngleSigmaV, LabelAnglePPV, LabelAngleEnobV, LabelAngleNfbV})
            value->setText(kDash);
        LabelAngleSpeedV->setText(QString::number(*s.rpm, 'f', 2) + QStringLiteral(" rpm"));
        bars_->data()->clear();
    } else {
        LabelAngleMeanV->setText(CodesAndDegrees(s.meanCode, 1));
        LabelAngleSigmaV->setText(CodesAndDegrees(s.sigmaCodes, 2));
        LabelAnglePPV->setText(CodesAndDegrees(s.peakToPeakCodes, 0));
        LabelAngleEnobV->setText(QString::number(s.effectiveBits, 'f', 2));
        LabelAngleNfbV->setText(QString::number(s.noiseFreeBits, 'f', 2));
        LabelAngleSpeedV->setText(kDash);
        const std::vector<size_t> bins = statistics.Histogram(kHistogramHalfWidth);
        QVector<double> keys, values;
        double highest = 1;
        for (size_t i = 0; i < bins.size(); ++i) {
            keys << static_cast<double>(i) - kHistogramHalfWidth;
            values << static_cast<double>(bins[i]);
            highest = std::max(highest, static_cast<double>(bins[i]));
        }
        bars_->setData(keys, values, true);
        ChartAngleHistogram->yAxis->setRange(0, highest * 1.1);
    }
    ChartAngleHistogram->replot(QCustomPlot::rpQueuedReplot);
}

}  // namespace ui
