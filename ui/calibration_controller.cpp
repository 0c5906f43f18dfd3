#include "ui/calibration_controller.h"

#include <QProgressDialog>
#include <QTimer>
#include <chrono>
#include <cmath>
#include <exception>
#include <utility>

#include "app/calibration.h"
#include "app/field_map.h"
#include "ui/message_box.h"
#include "ui/point_cloud_chart.h"
#include "ui/window_context.h"
#include "ui/window_style.h"
#include "ui/xy_page.h"

namespace ui {
namespace {

constexpr int kProgressSteps = 1000;

QString Text(const std::string& text) {
    return QString::fromStdString(text);
}

QString Codes(double value) {
    return QString::number(value, 'f', 1);
}

QString Degrees(double value) {
    return QString::number(value, 'f', 2);
}

QString Rpm(double value) {
    return QString::number(value, 'f', value < 10 ? 1 : 0);
}

double SteadySeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

}  // namespace

CalibrationController::CalibrationController(WindowContext& context, app::FieldControls& fields,
                                             XYPage& xy, std::function<bool()> busy,
                                             QWidget* window)
    : QObject(window),
      context_(context),
      fields_(fields),
      xy_(xy),
      busy_(std::move(busy)),
      window_(window),
      timer_(Named(new QTimer(this), "TimerCalibration")) {
    timer_->setInterval(0);
    connect(timer_, &QTimer::timeout, this, &CalibrationController::TimerCalibrationTimer);
}

CalibrationController::~CalibrationController() = default;

bool CalibrationController::MayStart() {
    if (Running() || context_.chip == nullptr) return false;
    if (RefusedWhileRecording(context_)) return false;
    if (context_.readoutsRunning > 0 || (busy_ && busy_())) {
        ShowMessage(window_, QMessageBox::Information, ApplicationTitle(),
                    Text(context_.texts.calibration.vReadoutRunning));
        return false;
    }
    return ChipReady(context_);
}

void CalibrationController::btnCentreSignalsClick() {
    if (!MayStart()) return;
    // The page shows each measurement's turn and its fit, from an empty chart.
    shownMeasurement_ = -1;
    auto assistant = std::make_unique<app::OffsetAssistant>(
        fields_, &SteadySeconds, [this](const app::XYPoint& point) {
            const int measurement =
                static_cast<const app::OffsetAssistant&>(*assistant_).Measurement();
            if (measurement != shownMeasurement_) {
                shownMeasurement_ = measurement;
                xy_.Restart();
            }
            xy_.ShowPoint(point);
        });
    const app::OffsetAssistant* offsets = assistant.get();
    Start(
        std::move(assistant),
        [this, offsets] {
            return Text(context_.texts.calibration.vCentreProgress)
                .arg(std::min(offsets->Measurement() + 1, 4));
        },
        [this] {
            xy_.ShowFit();
            return CentreReport();
        });
}

void CalibrationController::btnZeroHereClick() {
    if (!MayStart()) return;
    Start(
        std::make_unique<app::ZeroAssistant>(fields_),
        [this] { return Text(context_.texts.calibration.vZeroProgress); },
        [this] { return ZeroReport(); });
}

void CalibrationController::Start(std::unique_ptr<app::Assistant> assistant,
                                  std::function<QString()> label, std::function<QString()> report) {
    assistant_ = std::move(assistant);
    operation_ = std::make_unique<ChipOperation>(context_);
    failure_.clear();
    restoringShown_ = false;
    label_ = std::move(label);
    report_ = std::move(report);
    // Window-modal: nothing else in the window can reach the chip or the fields meanwhile;
    // the timer's ticks still run.
    progress_ = new QProgressDialog(label_(), Text(context_.texts.calibration.vCancel), 0,
                                    kProgressSteps, window_);
    progress_->setObjectName("dlgCalibration");
    progress_->setWindowTitle(ApplicationTitle());
    progress_->setWindowModality(Qt::WindowModal);
    progress_->setAutoClose(false);
    progress_->setAutoReset(false);
    progress_->setMinimumDuration(0);
    progress_->setValue(0);
    connect(progress_, &QProgressDialog::canceled, this, &CalibrationController::CancelClick);
    timer_->start();
}

void CalibrationController::CancelClick() {
    if (!Running()) return;
    assistant_->Cancel();
    if (assistant_->Over()) return End();
    ShowRestoring();
}

void CalibrationController::ShowRestoring() {
    // Writing the starting values back takes a few ticks; it cannot be cancelled.
    if (progress_ == nullptr || restoringShown_) return;
    restoringShown_ = true;
    progress_->setCancelButton(nullptr);
    progress_->setLabelText(Text(context_.texts.calibration.vRestoring));
    progress_->show();
}

void CalibrationController::Abandon() {
    if (!Running()) return;
    timer_->stop();
    try {
        if (context_.chip != nullptr) assistant_->Abandon(*context_.chip);
    } catch (const std::exception&) {
        // The window is going: there is no one left to tell.
    }
    CloseDialog();
    assistant_.reset();
    operation_.reset();
}

void CalibrationController::TimerCalibrationTimer() {
    // No tick runs while this one waits in an error report.
    timer_->stop();
    if (!Running()) return;
    // A failed transfer ends the assistant: its report says so, in the one message that also
    // tells what each field may hold now.
    try {
        if (context_.chip != nullptr) assistant_->Step(*context_.chip);
    } catch (const std::exception& error) {
        failure_ = Text(error.what());
    }
    if (!Running()) return;
    if (assistant_->Over()) return End();
    if (progress_ != nullptr) {
        // A modal dialog handles the events that came meanwhile in setValue: its Cancel, or
        // a close of the window, may end the assistant right there.
        progress_->setValue(static_cast<int>(std::lround(assistant_->Progress() * kProgressSteps)));
        if (!Running() || progress_ == nullptr) return;
        if (assistant_->Restoring()) {
            ShowRestoring();
        } else {
            progress_->setLabelText(label_());
        }
    }
    timer_->start();
}

void CalibrationController::CloseDialog() {
    if (progress_ == nullptr) return;
    progress_->hide();
    progress_->deleteLater();
    progress_ = nullptr;
}

void CalibrationController::End() {
    // The assistant's chip operation ends with this call: a close that waited goes on then.
    const std::unique_ptr<ChipOperation> operation = std::move(operation_);
    timer_->stop();
    CloseDialog();
    const QString report = report_();
    const bool done = assistant_->Outcome() == app::AssistantOutcome::Done;
    assistant_.reset();
    ShowMessage(window_, done ? QMessageBox::Information : QMessageBox::Warning, ApplicationTitle(),
                report);
}

QString CalibrationController::Finish(QStringList lines, const app::Assistant& a) const {
    const app::CalibrationTexts& texts = context_.texts.calibration;
    if (a.Restored()) lines << Text(texts.vRestored);
    if (a.RestoreFailed()) {
        lines << Text(texts.vNotRestored);
    } else if (a.Written() && !a.Restored() && a.Outcome() != app::AssistantOutcome::Done) {
        lines << Text(texts.vNotWrittenBack);  // a transfer failed on the way
        for (const auto& [field, start] : a.StartValues()) {
            lines << Text(texts.vMayHold)
                         .arg(Text(std::string(field->key)),
                              Text(fields_.Control(field->control).Text()))
                         .arg(start);
        }
    }
    if (!failure_.isEmpty()) lines.prepend(failure_);
    // A transfer that failed has its own report: no reason of the assistant's.
    lines.removeAll(QString());
    return lines.join(QLatin1Char('\n'));
}

QString CalibrationController::FaultText() const {
    const app::CalibrationTexts& texts = context_.texts.calibration;
    const QString field = Text(assistant_->FaultField());
    const auto* offsets = dynamic_cast<const app::OffsetAssistant*>(assistant_.get());
    switch (assistant_->Fault()) {
        case app::AssistantFault::None:
            break;
        case app::AssistantFault::NotTurning:
            if (offsets == nullptr || offsets->PointSeconds() <= 0) {
                return Text(texts.vNotTurning).arg(app::OffsetAssistant::kTimeLimitSeconds);
            }
            return Text(texts.vStill)
                .arg(QString::number(std::abs(offsets->TravelDegrees()), 'f', 0))
                .arg(QString::number(offsets->MeasuredSeconds(), 'f', 0))
                .arg(Rpm(app::OffsetAssistant::SlowestRpm()), Rpm(offsets->FastestRpm()));
        case app::AssistantFault::TooSlow:
        case app::AssistantFault::TooFast:
            if (offsets == nullptr) break;
            return Text(assistant_->Fault() == app::AssistantFault::TooSlow ? texts.vTooSlow
                                                                            : texts.vTooFast)
                .arg(Rpm(std::abs(offsets->TurnRpm())),
                     assistant_->Fault() == app::AssistantFault::TooSlow
                         ? QString::number(app::OffsetAssistant::kTimeLimitSeconds)
                         : QString::number(offsets->PointSeconds(), 'f', 2),
                     Rpm(app::OffsetAssistant::SlowestRpm()), Rpm(offsets->FastestRpm()));
        case app::AssistantFault::Clipping:
            return Text(texts.vClipping).arg(field);
        case app::AssistantFault::NoSignal:
            return Text(texts.vNoSignal).arg(app::OffsetAssistant::kMinAmplitude);
        case app::AssistantFault::NoEffect:
            return Text(texts.vNoEffect).arg(field);
        case app::AssistantFault::OtherChannel:
            return Text(texts.vOtherChannel).arg(field);
        case app::AssistantFault::OutOfRange:
            return Text(texts.vOutOfRange).arg(field);
        case app::AssistantFault::NotBetter:
            return Text(texts.vNotBetter);
        case app::AssistantFault::NotHeld:
            return Text(texts.vNotHeld).arg(field);
        case app::AssistantFault::Turning:
            return Text(texts.vTurning);
        case app::AssistantFault::UnexpectedResponse:
            return Text(texts.vUnexpected).arg(field);
    }
    return {};
}

QString CalibrationController::CentreReport() const {
    const app::CalibrationTexts& texts = context_.texts.calibration;
    const auto& a = static_cast<const app::OffsetAssistant&>(*assistant_);
    QStringList lines;
    switch (a.Outcome()) {
        case app::AssistantOutcome::Done:
            lines << Text(texts.vCentreDone);
            break;
        case app::AssistantOutcome::Cancelled:
            lines << Text(texts.vCancelled);
            break;
        default:
            lines << Text(texts.vCentreFailed) << FaultText();
            break;
    }
    const app::CentreMeasurement before = a.Before(), after = a.After();
    if (before.points > 0) {
        lines << Text(texts.vCentreBefore)
                     .arg(Codes(before.x), Codes(before.y), Degrees(before.errorDegrees));
    }
    if (after.points > 0) {
        lines << Text(texts.vCentreAfter)
                     .arg(Codes(after.x), Codes(after.y), Degrees(after.errorDegrees));
    }
    if (a.Outcome() == app::AssistantOutcome::Done) {
        lines << Text(texts.vCentreValues)
                     .arg(a.StartSine())
                     .arg(a.FinalSine())
                     .arg(a.StartCosine())
                     .arg(a.FinalCosine())
                     .arg(QString::number(a.SineEffect(), 'f', 2))
                     .arg(QString::number(a.CosineEffect(), 'f', 2));
    }
    return Finish(lines, a);
}

QString CalibrationController::ZeroReport() const {
    const app::CalibrationTexts& texts = context_.texts.calibration;
    const auto& a = static_cast<const app::ZeroAssistant&>(*assistant_);
    QStringList lines;
    switch (a.Outcome()) {
        case app::AssistantOutcome::Done:
            lines << Text(texts.vZeroDone)
                  << Text(texts.vZeroResult)
                         .arg(Codes(a.Before()), Degrees(app::ZeroAssistant::Degrees(a.Before())),
                              Codes(a.Residual()),
                              Degrees(app::ZeroAssistant::Degrees(a.Residual())))
                  << Text(texts.vZeroValues).arg(a.StartZero()).arg(a.FinalZero());
            break;
        case app::AssistantOutcome::Cancelled:
            lines << Text(texts.vCancelled);
            break;
        default:
            lines << Text(texts.vZeroFailed) << FaultText();
            break;
    }
    return Finish(lines, a);
}

}  // namespace ui
