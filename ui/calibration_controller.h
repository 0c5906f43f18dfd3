// The calibration assistants in the window: "Centre signals" on the X-Y page and "Set zero
// here" on the angle conversion page. An assistant runs as timer ticks, one short step each,
// behind a window-modal progress dialog whose Cancel puts the starting values back; the
// result, or why there is none, comes in a message box.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

#include "app/field_controls.h"

class QProgressDialog;
class QTimer;
class QWidget;

namespace app {
class Assistant;
}

namespace ui {

class ChipOperation;
class XYPage;
struct WindowContext;

class CalibrationController : public QObject {
    Q_OBJECT
  public:
    /// fields: the field controls of the parameter pages; xy: the page whose chart shows the
    /// points the offset assistant reads; busy: true while another chip job runs (the
    /// register map's). window: the parent of the dialogs and of this object.
    CalibrationController(WindowContext& context, app::FieldControls& fields, XYPage& xy,
                          std::function<bool()> busy, QWidget* window);
    ~CalibrationController() override;

    void btnCentreSignalsClick();
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
    void TimerCalibrationTimer();
    void End();
    void ShowRestoring();
    void CloseDialog();
    QString FaultText() const;
    /// The report's lines with how the starting values went back, one text.
    QString Finish(QStringList lines, const app::Assistant& a) const;
    QString CentreReport() const;
    QString ZeroReport() const;

    WindowContext& context_;
    app::FieldControls& fields_;
    XYPage& xy_;
    std::function<bool()> busy_;
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
};

}  // namespace ui
