// The angle accuracy page: records the angle output with a time per reading over whole
// revolutions (a periodic readout sharing the run flag), then shows the angle error against
// constant speed or a reference instrument's file: the curve, its peak-to-peak and RMS, and
// harmonics 1 to 8, with CSV and PDF export.
#pragma once

#include <QWidget>
#include <optional>
#include <string>

#include "app/analysis/accuracy_files.h"
#include "app/analysis/accuracy_recording.h"
#include "app/analysis/accuracy_report.h"
#include "app/analysis/angle_accuracy.h"
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

    const app::AccuracyRecording& Recording() const { return recording_; }
    const std::optional<app::AccuracyResult>& Result() const { return result_; }

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
    void ShowProgress();
    void ShowResult();
    double Now() const;
    /// The reference file read by the columns chosen; empty with the reason in why.
    std::optional<std::vector<app::TimedAngle>> ReadReferenceFile(QString& why) const;
    void Export(int what);
    QString Text(const std::string& text) const { return QString::fromStdString(text); }

    WindowContext& context_;
    PeriodicReadout readout_;
    app::AccuracyRecording recording_;
    app::RecordingClock clock_;
    bool active_ = false;  // a recording runs: begun and not yet finished
    std::optional<app::AccuracyResult> result_;
    app::ReferenceColumns columns_;
    /// The chip's identification and configuration at the recording's start, for the report.
    std::string identification_;
    std::string chipId_;
    std::vector<app::ReportField> configuration_;
    QString recordedAt_;
    QCPGraph* readingsGraph_ = nullptr;
    QCPGraph* curveGraph_ = nullptr;
};

}  // namespace ui
