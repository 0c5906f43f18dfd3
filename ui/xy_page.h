// Page 7, the X-Y chart: sine against cosine with each channel's extremes, offset and
// amplitude since the last start, and an optional log file.
#pragma once

#include <QWidget>
#include <cstdint>

#include "ui/window_context.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;
class QCustomPlot;

namespace ui {

class XYPage : public QWidget {
    Q_OBJECT
  public:
    XYPage(WindowContext& context, QWidget* parent = nullptr);

    void btnStartXYChartClick();
    void TimerXYDataTimer();
    void btnClear3Click();
    void cbSaveToFileClick();

    QLabel* LabelFilename1 = nullptr;
    QLineEdit* EditXYFilename = nullptr;
    QCheckBox* cbSaveXYToFile = nullptr;
    QPushButton* btnStartXYChart = nullptr;
    QLabel* LabelInterval = nullptr;
    QLineEdit* EditXYInt = nullptr;
    QPushButton* btnClear3 = nullptr;
    QCustomPlot* ChartXY = nullptr;
    QWidget* Panel5 = nullptr;
    QTimer* TimerXYData = nullptr;

  private:
    WindowContext& context_;
};

}  // namespace ui
