// Page 6, the signal charts: sine, cosine, CORDIC output, angle and amplitude over time on
// three stacked charts, with an optional log file.
#pragma once

#include <QWidget>
#include <cstdint>

#include "ui/decimated_chart.h"
#include "ui/periodic_readout.h"
#include "ui/window_context.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QToolButton;
class QPushButton;
class QSplitter;
class QSplitterHandle;
class QTimer;

namespace ui {

class ChartsPage : public QWidget {
    Q_OBJECT
  public:
    ChartsPage(WindowContext& context, QWidget* parent = nullptr);

    void btnStartClick();
    void TimerTimer();
    void btnClear2Click();
    void cbSaveChartsToFileClick();
    void cbSinClick();
    void cbCosClick();
    void cbCordicClick();
    void cbAngClick();
    void cbAmplClick();

    QWidget* Panel3 = nullptr;
    QPushButton* btnStart = nullptr;
    QLabel* LabelInterval2 = nullptr;
    QLineEdit* EditInterval = nullptr;
    QCheckBox* cbSin = nullptr;
    QCheckBox* cbCos = nullptr;
    QCheckBox* cbCordic = nullptr;
    QCheckBox* cbAng = nullptr;
    QCheckBox* cbAmpl = nullptr;
    QPushButton* btnClear2 = nullptr;
    QLabel* LabelFilename3 = nullptr;
    QLineEdit* EditChartsFile = nullptr;
    QToolButton* btnChooseChartsFile = nullptr;
    QCheckBox* cbSaveChartsToFile = nullptr;
    /// The three charts share the height; Splitter1 and Splitter4 are its two bars.
    QSplitter* ChartSplitter = nullptr;
    QSplitterHandle* Splitter1 = nullptr;
    QSplitterHandle* Splitter4 = nullptr;
    DecimatedChart* Chart1 = nullptr;
    DecimatedChart* Chart2 = nullptr;
    DecimatedChart* Chart3 = nullptr;
    TypedChartLine<int16_t>* SeriesSin = nullptr;
    TypedChartLine<int16_t>* SeriesCos = nullptr;
    TypedChartLine<int16_t>* SeriesCordic = nullptr;
    TypedChartLine<int16_t>* SeriesAng = nullptr;
    TypedChartLine<int16_t>* SeriesAmpl = nullptr;
    QTimer* Timer = nullptr;

    /// X of the next reading's points; no clear or restart resets it.
    int32_t ChartTickCount = 0;

  private:
    WindowContext& context_;
    PeriodicReadout readout_;
};

}  // namespace ui
