// Page 6, the signal charts: sine, cosine, CORDIC output, angle and amplitude over time on
// three stacked charts, with an optional log file.
#pragma once

#include <QWidget>
#include <cstdint>

#include "ui/window_context.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSplitter;
class QTimer;
class QCustomPlot;

namespace ui {

class ChartsPage : public QWidget {
    Q_OBJECT
  public:
    ChartsPage(WindowContext& context, QWidget* parent = nullptr);

    void btnStartClick();
    void TimerTimer();
    void btnClear2Click();
    void cbSaveChartsToFileClick();

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
    QCheckBox* cbSaveChartsToFile = nullptr;
    QSplitter* Splitter1 = nullptr;
    QSplitter* Splitter4 = nullptr;
    QCustomPlot* Chart1 = nullptr;
    QCustomPlot* Chart2 = nullptr;
    QCustomPlot* Chart3 = nullptr;
    QTimer* Timer = nullptr;

    /// X of the next reading's points; no clear or restart resets it.
    int32_t ChartTickCount = 0;

  private:
    WindowContext& context_;
};

}  // namespace ui
