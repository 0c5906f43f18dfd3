// The calibration assistants in the window: "Centre signals" and "Match amplitudes" on the
// X-Y page and "Set zero here" on the angle conversion page. An assistant runs as timer
// ticks, one short step each, behind a window-modal progress dialog (beside the chart it
// measures, with the live figures and the time left) whose Cancel puts the starting values
// back; the result, or why there is none, comes in a message box, which after a success
// offers to save the configuration and a record of the calibration.
#pragma once

#include <QObject>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <string>

#include "app/calibration/calibration_report.h"
#include "app/config/field_controls.h"

class QProgressDialog;
class QTimer;
class QWidget;

namespace app {
class Assistant;
class TurnAssistant;
struct TurnMeasurement;
struct XYPoint;
}  // namespace app

namespace ui {

class ChipOperation;
class XYPage;
struct WindowContext;

/// Where a dialog of the given size goes beside a chart (global coordinates) on the screen:
/// right of it when there is room, else where it covers least of the chart.
QPoint BesideChart(const QRect& chart, const QSize& dialog, const QRect& screen);

class CalibrationController : public QObject {
    Q_OBJECT
  public:
    /// fields: the field controls of the parameter pages; xy: the page whose chart shows the
    /// points the turn assistants read; busy: true while another chip job runs (the register
    /// map's); saveConfiguration: the register map's Save configuration. window: the parent
    /// of the dialogs and of this object.
    CalibrationController(WindowContext& context, app::FieldControls& fields, XYPage& xy,
                          std::function<bool()> busy, std::function<void()> saveConfiguration,
                          QWidget* window);
    ~CalibrationController() override;

    void btnCentreSignalsClick();
    void btnMatchAmplitudesClick();
    void btnZeroHereClick();
    /// The progress dialog's Cancel: the starting values go back, then the assistant ends.
    void CancelClick();
    /// The window's end: the rest of a running assistant at once, starting values back, no
    /// report.
    void Abandon();

    bool Running() const { return assistant_ != nullptr; }
    /// The dialog of the assistant under way, null when none runs.
    QProgressDialog* Progress() const { return progress_; }

  private:
    /// False (with the reason shown) when an assistant may not start now.
    bool MayStart();
    void Start(std::unique_ptr<app::Assistant> assistant, std::function<QString()> label,
               std::function<QString()> report);
    /// Starts an assistant that reads X-Y points over turns: the X-Y page shows each
    /// measurement's points from an empty chart.
    void ShowPoint(const app::XYPoint& point);
    void StartTurn(std::unique_ptr<app::TurnAssistant> assistant, const std::string& progress);
    /// The label: what is under way, and for a turn assistant its live figures and time left.
    QString Label() const;
    /// Moves the dialog off the X-Y chart.
    void PlaceDialog();
    /// After a success: the report, with Save configuration and Save record.
    void Offer(const QString& report);
    bool SaveRecord(const QString& path, const QString& report) const;
    void TimerCalibrationTimer();
    void End();
    void ShowRestoring();
    void CloseDialog();
    /// The assistant's report, after the error of a transfer that ended it.
    QString Report() const;

    WindowContext& context_;
    app::FieldControls& fields_;
    XYPage& xy_;
    std::function<bool()> busy_;
    std::function<void()> saveConfiguration_;
    QWidget* window_;
    QTimer* timer_;
    QProgressDialog* progress_ = nullptr;
    std::unique_ptr<app::Assistant> assistant_;
    // The assistant is one chip operation from start to end: a close of the window waits
    // for it (and cancels it).
    std::unique_ptr<ChipOperation> operation_;
    std::function<QString()> label_;
    std::function<QString()> report_;
    /// The error that ended the assistant (a transfer the adapter did not complete), empty
    /// when none did.
    QString failure_;
    int shownMeasurement_ = -1;  // the offset assistant's measurement the X-Y page shows
    bool restoringShown_ = false;
    // Set zero's target (degrees) and tolerance (codes), as last typed.
    double zeroDegrees_ = 0;
    double zeroTolerance_;
    // When the assistant started, and the chip it started on, for the record.
    std::string startedAt_;
    app::ChipNote startChip_;
};

}  // namespace ui
