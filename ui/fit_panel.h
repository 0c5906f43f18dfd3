// The Lissajous fit beside the X-Y chart: the fitted ellipse's centre, amplitudes, mismatch,
// phase and distance, the angle error they cause, and how much of the ADC range each channel
// uses. Its captions come from the language file; the page feeds it.
#pragma once

#include <QWidget>

#include "app/analysis/lissajous_fit.h"
#include "app/lang/language.h"
#include "app/readings/readout_format.h"

class QLabel;

namespace ui {

class FitPanel : public QWidget {
    Q_OBJECT
  public:
    explicit FitPanel(QWidget* parent = nullptr);

    /// Shows the fit (or why there is none) and the range the extremes use.
    /// The fit's result (or why there is none) for points points, and the range the
    /// extremes use; otrX, otrY: the status indicators' out-of-range flags.
    void Show(const std::optional<app::LissajousResult>& result, app::FitShortfall why,
              size_t points, const app::XYStatistics& extremes, const app::AnalysisTexts& texts,
              bool otrX = false, bool otrY = false);
    /// Empties every value (a start).
    void Clear();

    QLabel* LabelFitHeading = nullptr;
    QLabel* LabelFitState = nullptr;
    QLabel* LabelFitOffset = nullptr;
    QLabel* LabelFitOffsetV = nullptr;
    QLabel* LabelFitAmplitude = nullptr;
    QLabel* LabelFitAmplitudeV = nullptr;
    QLabel* LabelFitMismatch = nullptr;
    QLabel* LabelFitMismatchV = nullptr;
    QLabel* LabelFitPhase = nullptr;
    QLabel* LabelFitPhaseV = nullptr;
    QLabel* LabelFitRms = nullptr;
    QLabel* LabelFitRmsV = nullptr;
    QLabel* LabelFitBudget = nullptr;
    QLabel* LabelFitErrOffset = nullptr;
    QLabel* LabelFitErrOffsetV = nullptr;
    QLabel* LabelFitErrMismatch = nullptr;
    QLabel* LabelFitErrMismatchV = nullptr;
    QLabel* LabelFitErrPhase = nullptr;
    QLabel* LabelFitErrPhaseV = nullptr;
    QLabel* LabelFitErrTotal = nullptr;
    QLabel* LabelFitErrTotalV = nullptr;
    QLabel* LabelHeadroom = nullptr;
    QLabel* LabelHeadroomV = nullptr;
    QLabel* LabelHeadroomWarning = nullptr;

  private:
    void SetValues(const QString& offset, const QString& amplitude, const QString& mismatch,
                   const QString& phase, const QString& rms, const QString& errOffset,
                   const QString& errMismatch, const QString& errPhase, const QString& total);
};

}  // namespace ui
