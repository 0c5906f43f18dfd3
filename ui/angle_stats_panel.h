// The angle statistics beside the angle chart: how many readings, their circular mean, spread
// and resolution in bits, the reading rate and late readings, the speed while the magnet
// turns, and a histogram of the readings around the mean. The page feeds it.
#pragma once

#include <QWidget>

#include "app/analysis/angle_stats.h"
#include "app/lang/language.h"

class QCPBars;
class QCustomPlot;
class QLabel;

namespace ui {

class AngleStatsPanel : public QWidget {
    Q_OBJECT
  public:
    explicit AngleStatsPanel(QWidget* parent = nullptr);
    /// The formulas of the bit figures as their tooltips, in the language loaded.
    void SetFormulaTips(const app::AnalysisTexts& texts);

    void Show(const app::AngleStatistics& statistics);
    void Clear();

    static constexpr int kHistogramHalfWidth = 16;

    QLabel* LabelAngleStats = nullptr;
    QLabel* LabelAngleCount = nullptr;
    QLabel* LabelAngleCountV = nullptr;
    QLabel* LabelAngleMean = nullptr;
    QLabel* LabelAngleMeanV = nullptr;
    QLabel* LabelAngleSigma = nullptr;
    QLabel* LabelAngleSigmaV = nullptr;
    QLabel* LabelAnglePP = nullptr;
    QLabel* LabelAnglePPV = nullptr;
    QLabel* LabelAngleEnob = nullptr;
    QLabel* LabelAngleEnobV = nullptr;
    QLabel* LabelAngleNfb = nullptr;
    QLabel* LabelAngleNfbV = nullptr;
    QLabel* LabelAngleRate = nullptr;
    QLabel* LabelAngleRateV = nullptr;
    QLabel* LabelAngleLate = nullptr;
    QLabel* LabelAngleLateV = nullptr;
    QLabel* LabelAngleSpeed = nullptr;
    QLabel* LabelAngleSpeedV = nullptr;
    QCustomPlot* ChartAngleHistogram = nullptr;

  private:
    QCPBars* bars_ = nullptr;
};

}  // namespace ui
