// Page 5, the angle data: a single read into the memo, the periodic readout into ChartAngle
// and an optional log file.
#pragma once

#include <QElapsedTimer>
#include <QWidget>
#include <cstdint>

#include "app/analysis/angle_stats.h"
#include "ui/decimated_chart.h"
#include "ui/periodic_readout.h"
#include "ui/window_context.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QToolButton;
class QPlainTextEdit;
class QPushButton;
class QTimer;

namespace ui {

class AngleStatsPanel;

class WorkPage : public QWidget {
    Q_OBJECT
  public:
    WorkPage(WindowContext& context, QWidget* parent = nullptr);

    void BtnReadAngleDataClick();
    void BtnStartAngleWrkDataClick();
    void TimerWorkDataTimer();
    void btnClear1Click();
    /// Shared by cbSaveToFile and the X-Y page's cbSaveXYToFile.
    void cbSaveToFileClick();

    QPushButton* BtnStartAngleWrkData = nullptr;
    QLabel* LabelInterval3 = nullptr;
    QLineEdit* EditAngleWorkDataInt = nullptr;
    QPushButton* btnClear1 = nullptr;
    QPushButton* BtnReadAngleData = nullptr;
    QLabel* LabelFilename2 = nullptr;
    QLineEdit* EditAngleDataFile = nullptr;
    QToolButton* btnChooseAngleDataFile = nullptr;
    QCheckBox* cbSaveToFile = nullptr;
    QPlainTextEdit* MemoAData = nullptr;
    DecimatedChart* ChartAngle = nullptr;
    TypedChartLine<uint16_t>* LineSeriesAngleData = nullptr;
    QTimer* TimerWorkData = nullptr;

    /// X of the next chart point; no clear or restart resets it.
    uint32_t AngleTickCount = 0;

    /// The statistics of the readings since the last start, and their panel.
    app::AngleStatistics AngleStats;
    AngleStatsPanel* PanelAngleStats = nullptr;
    /// Shows the statistics now (the tick shows them at most every kStatsPeriodMs).
    void ShowAngleStats();
    static constexpr int kStatsPeriodMs = 300;

  private:
    WindowContext& context_;
    bool statsStarting_ = false;
    QElapsedTimer sinceStart_;
    QElapsedTimer statsShown_;
    PeriodicReadout readout_;
};

}  // namespace ui
