// The angle accuracy page: records the angle output with a time per reading over whole
// revolutions (a periodic readout sharing the run flag), then shows the angle error against
// constant speed or a reference instrument's file: the curve, its peak-to-peak and RMS, and
// harmonics 1 to 8, with CSV and PDF export.
#pragma once

#include <QWidget>
#include <optional>
#include <string>

#include "app/analysis/accuracy_session.h"
#include "ui/periodic_readout.h"
#include "ui/window_context.h"

class QCPGraph;
class QCustomPlot;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QTableWidget;
class QTimer;

namespace ui {

class AccuracyPage : public QWidget {
    Q_OBJECT
  public:
    AccuracyPage(WindowContext& context, QWidget* parent = nullptr);

    /// Shows the page as before any recording, in the language loaded.
    void ShowIdle();
    void btnStartAccuracyClick();
    void TimerAccuracyTimer();
    /// Chooses the reference file, then its columns; a recording there is analysed again.
    void btnChooseRefFileClick();
    /// Takes the reference file and its columns as chosen (the dialog's outcome), and
    /// analyses a recording there is against it.
    void UseReference(const QString& path, const app::ReferenceColumns& columns);
    /// Analyses the recording by the method chosen and shows the result or why there is none.
    void Analyse();

    /// The report as a one-page PDF; false when it cannot be written.
    bool SaveReport(const QString& path);
    bool SaveCurve(const QString& path) const;
    bool SaveHarmonics(const QString& path) const;
    bool SaveReadings(const QString& path) const;

    const app::AccuracyRecording& Recording() const { return session_.Recording(); }
    const std::optional<app::AccuracyResult>& Result() const { return session_.Result(); }

    QLabel* LabelAccRevs = nullptr;
    QLineEdit* EditAccRevs = nullptr;
    QLabel* LabelAccInterval = nullptr;
    QLineEdit* EditAccInt = nullptr;
    QPushButton* btnStartAccuracy = nullptr;
    QLabel* LabelAccMethod = nullptr;
    QRadioButton* rbAccConstant = nullptr;
    QRadioButton* rbAccReference = nullptr;
    QLabel* LabelAccRefFile = nullptr;
    QLineEdit* EditAccRefFile = nullptr;
    QPushButton* btnChooseRefFile = nullptr;
    QPushButton* btnAccExport = nullptr;
    QProgressBar* ProgressAccuracy = nullptr;
    QLabel* LabelAccState = nullptr;
    QCustomPlot* ChartAccuracy = nullptr;
    QLabel* LabelAccResults = nullptr;
    QLabel* LabelAccPP = nullptr;
    QLabel* LabelAccPPV = nullptr;
    QLabel* LabelAccRms = nullptr;
    QLabel* LabelAccRmsV = nullptr;
    QLabel* LabelAccRevsDone = nullptr;
    QLabel* LabelAccRevsDoneV = nullptr;
    QLabel* LabelAccUsed = nullptr;
    QLabel* LabelAccUsedV = nullptr;
    QLabel* LabelAccRate = nullptr;
    QLabel* LabelAccRateV = nullptr;
    QLabel* LabelAccLate = nullptr;
    QLabel* LabelAccLateV = nullptr;
    QLabel* LabelAccOffset = nullptr;
    QLabel* LabelAccOffsetV = nullptr;
    QLabel* LabelAccHarmonics = nullptr;
    QTableWidget* TableHarmonics = nullptr;
    /// What the method cannot tell apart, under the result.
    QLabel* LabelAccLimits = nullptr;
    QTimer* TimerAccuracy = nullptr;

  private:
    /// The run's start: the recording emptied, the chip's identification and configuration
    /// noted for the report.
    void Begin();
    /// The run's end (the revolutions turned, a Stop, the store full): the analysis.
    void Finish();
    /// The session's method from the radio buttons.
    void SetMethod();
    /// The result, its state line and its limits on the page.
    void ShowOutcome(const std::string& state);
    void ShowProgress();
    void ShowResult();
    double Now() const;
    void Export(int what);
    QString Text(const std::string& text) const { return QString::fromStdString(text); }

    WindowContext& context_;
    PeriodicReadout readout_;
    app::AccuracySession session_;
    QCPGraph* readingsGraph_ = nullptr;
    QCPGraph* curveGraph_ = nullptr;
};

}  // namespace ui
