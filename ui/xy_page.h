// Page 7, the X-Y chart: sine against cosine with each channel's extremes, offset and
// amplitude since the last start, and an optional log file.
#pragma once

#include <QElapsedTimer>
#include <QWidget>
#include <cstdint>
#include <optional>

#include "app/analysis/lissajous_fit.h"
#include "app/readings/readout_format.h"
#include "ui/periodic_readout.h"
#include "ui/point_cloud_chart.h"
#include "ui/window_context.h"

class QCPCurve;
class QCheckBox;
class QLabel;
class QLineEdit;
class QToolButton;
class QPushButton;
class QTimer;

namespace ui {

class FitPanel;

class XYPage : public QWidget {
    Q_OBJECT
  public:
    XYPage(WindowContext& context, QWidget* parent = nullptr);

    void btnStartXYChartClick();
    void TimerXYDataTimer();
    void btnClear3Click();
    /// Shared with the angle-data page's cbSaveToFile: saves the settings.
    void cbSaveToFileClick();

    QLabel* LabelFilename1 = nullptr;
    QLineEdit* EditXYFilename = nullptr;
    QToolButton* btnChooseXYFile = nullptr;
    QCheckBox* cbSaveXYToFile = nullptr;
    QPushButton* btnStartXYChart = nullptr;
    QLabel* LabelInterval = nullptr;
    QLineEdit* EditXYInt = nullptr;
    QPushButton* btnClear3 = nullptr;
    /// Centres the signals with the digital offsets (the calibration assistant).
    QPushButton* btnCentreSignals = nullptr;
    QPushButton* btnMatchAmplitudes = nullptr;
    PointCloudChart* ChartXY = nullptr;
    QWidget* Panel5 = nullptr;
    QLabel* LabelXYSinL = nullptr;
    QLabel* LabelXYSinMAX = nullptr;
    QLabel* LabelXYSinMAXV = nullptr;
    QLabel* LabelXYSinMIN = nullptr;
    QLabel* LabelXYSinMINV = nullptr;
    QLabel* LabelXYSinOFFSET = nullptr;
    QLabel* LabelXYSinOFFSETV = nullptr;
    QLabel* LabelXYSinAMPL = nullptr;
    QLabel* LabelXYSinAMPLV = nullptr;
    QLabel* LabelXYCosL = nullptr;
    QLabel* LabelXYCosMAX = nullptr;
    QLabel* LabelXYCosMAXV = nullptr;
    QLabel* LabelXYCosMIN = nullptr;
    QLabel* LabelXYCosMINV = nullptr;
    QLabel* LabelXYCosOFFSET = nullptr;
    QLabel* LabelXYCosOFFSETV = nullptr;
    QLabel* LabelXYCosAMPL = nullptr;
    QLabel* LabelXYCosAMPLV = nullptr;
    QTimer* TimerXYData = nullptr;

    /// XYMaxX, XYMinX, XYMaxY, XYMinY: the readings since the last start.
    app::XYStatistics Statistics;
    /// The ellipse fitted to the readings since the last start, and its panel.
    app::LissajousFit Fit;
    FitPanel* PanelFit = nullptr;
    /// The fitted ellipse drawn over the points.
    QCPCurve* FitCurve = nullptr;

    /// Shows the fit now (the tick shows it at most every kFitPeriodMs).
    void ShowFit();
    /// One reading: into the statistics, the fit and the chart (not the log); the fit is
    /// shown at most every kFitPeriodMs unless fitNow.
    /// When the point was read: its cosine's time and the sine's delay after it (seconds).
    struct Timing {
        double seconds = 0;
        double skewSeconds = 0;
    };
    /// timing: the point as the page reads it; none for points measured elsewhere.
    void ShowPoint(const app::XYPoint& point, bool fitNow = false,
                   std::optional<Timing> timing = std::nullopt);
    /// Empties the chart, the statistics and the fit, as a start does.
    void Restart();
    static constexpr int kFitPeriodMs = 300;

  private:
    void ShowStatistics();
    void StartFit();
    /// A reading's time in seconds: the window's reading clock, else the steady clock.
    double Now() const;

    QElapsedTimer fitShown_;

    WindowContext& context_;
    PeriodicReadout readout_;
};

}  // namespace ui
