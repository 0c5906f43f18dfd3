#include "ui/calibration_controller.h"

#include <QBuffer>
#include <QDateTime>
#include <QFont>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QProgressDialog>
#include <QScreen>
#include <QTimer>
#include <chrono>
#include <cmath>
#include <exception>
#include <utility>

#include "app/calibration/calibration.h"
#include "app/config/chip_id.h"
#include "app/config/field_map.h"
#include "base/file_rewrite.h"
#include "chip/ASens_Digital.h"
#include "chip/utf8_path.h"
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

// A number to the given decimals, never "-0.0".
QString Fixed(double value, int decimals) {
    const double scale = std::pow(10.0, decimals);
    return QString::number(std::round(value * scale) / scale + 0.0, 'f', decimals);
}

QString Codes(double value) {
    return Fixed(value, 1);
}

QString Degrees(double value) {
    return Fixed(value, 2);
}

QString Rpm(double value) {
    return QString::number(value, 'f', value < 10 ? 1 : 0);
}

double SteadySeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

}  // namespace

QPoint BesideChart(const QRect& chart, const QSize& dialog, const QRect& screen) {
    // Right of the chart, left, below or above, each kept on the screen: the place that
    // covers least of the chart, the right when none covers any.
    constexpr int kGap = 16;
    const QPoint places[] = {
        {chart.right() + kGap, chart.top() + chart.height() / 3},
        {chart.left() - kGap - dialog.width(), chart.top() + chart.height() / 3},
        {chart.left(), chart.bottom() + kGap},
        {chart.left(), chart.top() - kGap - dialog.height()}};
    QPoint best;
    qint64 least = -1;
    for (QPoint at : places) {
        if (!screen.isEmpty()) {
            at.setX(std::clamp(
                at.x(), screen.left(),
                std::max(screen.left(), screen.left() + screen.width() - dialog.width())));
            at.setY(std::clamp(
                at.y(), screen.top(),
                std::max(screen.top(), screen.top() + screen.height() - dialog.height())));
        }
        const QRect covered = chart.intersected(QRect(at, dialog));
        const qint64 area = covered.isEmpty() ? 0 : qint64(covered.width()) * covered.height();
        if (least < 0 || area < least) {
            least = area;
            best = at;
        }
    }
    return best;
}

CalibrationController::CalibrationController(WindowContext& context, app::FieldControls& fields,
                                             XYPage& xy, std::function<bool()> busy,
                                             std::function<void()> saveConfiguration,
                                             QWidget* window)
    : QObject(window),
      context_(context),
      fields_(fields),
      xy_(xy),
      busy_(std::move(busy)),
      saveConfiguration_(std::move(saveConfiguration)),
      window_(window),
      timer_(Named(new QTimer(this), "TimerCalibration")) {
    timer_->setInterval(0);
    connect(timer_, &QTimer::timeout, this, &CalibrationController::TimerCalibrationTimer);
    zeroTolerance_ = app::ZeroAssistant::kDefaultTolerance;
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

void CalibrationController::StartTurn(std::unique_ptr<app::TurnAssistant> assistant,
                                      const std::string& progress) {
    const app::TurnAssistant* turn = assistant.get();
    Start(
        std::move(assistant),
        [this, turn, progress] {
            return Text(progress).arg(std::min(turn->Measurement() + 1, 99));
        },
        [this] {
            xy_.ShowFit();
            return dynamic_cast<const app::OffsetAssistant*>(assistant_.get()) != nullptr
                       ? CentreReport()
                       : AmplitudeReport();
        });
    PlaceDialog();
}

void CalibrationController::btnCentreSignalsClick() {
    if (!MayStart()) return;
    // The page shows each measurement's turn and its fit, from an empty chart.
    shownMeasurement_ = -1;
    StartTurn(std::make_unique<app::OffsetAssistant>(
                  fields_, &SteadySeconds, [this](const app::XYPoint& point) { ShowPoint(point); }),
              context_.texts.calibration.vCentreProgress);
}

void CalibrationController::btnMatchAmplitudesClick() {
    if (!MayStart()) return;
    shownMeasurement_ = -1;
    StartTurn(std::make_unique<app::AmplitudeAssistant>(
                  fields_, &SteadySeconds, [this](const app::XYPoint& point) { ShowPoint(point); }),
              context_.texts.calibration.vAmplitudeProgress);
}

void CalibrationController::ShowPoint(const app::XYPoint& point) {
    const int measurement = static_cast<const app::TurnAssistant&>(*assistant_).Measurement();
    if (measurement != shownMeasurement_) {
        shownMeasurement_ = measurement;
        xy_.Restart();
    }
    xy_.ShowPoint(point);
}

void CalibrationController::btnZeroHereClick() {
    if (!MayStart()) return;
    const app::CalibrationTexts& texts = context_.texts.calibration;
    std::vector<NumberField> fields{{Text(texts.vZeroAngle), zeroDegrees_, -360, 360, 2},
                                    {Text(texts.vZeroTolerance), zeroTolerance_, 0.5, 256, 1}};
    if (!AskNumbers(window_, ApplicationTitle(), fields)) return;
    zeroDegrees_ = fields[0].value;
    zeroTolerance_ = fields[1].value;
    const int target =
        static_cast<int>(std::lround(zeroDegrees_ * app::ZeroAssistant::kFullTurn / 360.0));
    Start(
        std::make_unique<app::ZeroAssistant>(fields_, target, zeroTolerance_),
        [this] { return Text(context_.texts.calibration.vZeroProgress); },
        [this] { return ZeroReport(); });
}

void CalibrationController::Start(std::unique_ptr<app::Assistant> assistant,
                                  std::function<QString()> label, std::function<QString()> report) {
    assistant_ = std::move(assistant);
    operation_ = std::make_unique<ChipOperation>(context_);
    failure_.clear();
    restoringShown_ = false;
    startedAt_ = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    identification_ = chipId_ = QStringLiteral("?");
    if (context_.chip != nullptr) {
        const uint16_t word = context_.chip->LastIdentification();
        if (word != 0xFFFF) identification_ = QString::asprintf("0x%04X", word);
        const chip::RegisterSlot high = context_.chip->Slot(app::kChipIdHighRegister);
        const chip::RegisterSlot low = context_.chip->Slot(app::kChipIdLowRegister);
        if (high.Actual && low.Actual) {
            chipId_ = Text(app::ChipIdText(static_cast<uint32_t>(high.Value) << 16 | low.Value));
        }
    }
    label_ = std::move(label);
    report_ = std::move(report);
    // Window-modal: nothing else in the window can reach the chip or the fields meanwhile;
    // the timer's ticks still run.
    progress_ = new QProgressDialog(Label(), Text(context_.texts.calibration.vCancel), 0,
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
            progress_->setLabelText(Label());
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
    // A success that wrote something is a calibration worth keeping.
    const bool done = assistant_->Outcome() == app::AssistantOutcome::Done;
    const bool wrote = assistant_->Written();
    assistant_.reset();
    if (done && wrote) return Offer(report);
    ShowMessage(window_, done ? QMessageBox::Information : QMessageBox::Warning, ApplicationTitle(),
                report);
}

void CalibrationController::Offer(const QString& report) {
    const app::CalibrationTexts& texts = context_.texts.calibration;
    const QStringList buttons{Text(texts.vSaveConfig), Text(texts.vSaveRecord)};
    // Each choice comes back to the report, until Close.
    for (int choice; (choice = Choose(window_, QMessageBox::Information, ApplicationTitle(), report,
                                      buttons, Text(texts.vClose))) >= 0;) {
        if (choice == 0) {
            if (saveConfiguration_) saveConfiguration_();
            continue;
        }
        const QString path =
            ChooseFile(window_, true, Text(texts.vRecordTitle), QStringLiteral("calibration.txt"),
                       Text(texts.vRecordFilter));
        if (path.isEmpty()) continue;
        if (!SaveRecord(path, report)) {
            ShowMessage(window_, QMessageBox::Warning, ApplicationTitle(),
                        Text(context_.texts.analysis.vCannotWrite).arg(path));
        }
    }
}

bool CalibrationController::SaveRecord(const QString& path, const QString& report) const {
    const app::CalibrationTexts& texts = context_.texts.calibration;
    const QStringList lines =
        QStringList{Text(texts.vRecordTitle),
                    Text(texts.vRecordHeader).arg(startedAt_, identification_, chipId_),
                    QString()} +
        report.split(QLatin1Char('\n'));
    if (!path.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive)) {
        const std::string text = lines.join(QLatin1Char('\n')).toStdString() + "\n";
        return base::RewriteFile(chip::PathFromUtf8(path.toStdString()),
                                 [&](std::string_view) { return text; });
    }
    // Drawn in memory and put in place whole: a full disk leaves the old file, not half a
    // page.
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setPageMargins(QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter);
        writer.setResolution(300);
        writer.setTitle(lines.front());
        writer.setCreator(QStringLiteral("QX5520"));
        QPainter painter;
        if (!painter.begin(&writer)) return false;
        const double pt = writer.resolution() / 72.0;
        double y = 0;
        for (int i = 0; i < lines.size(); ++i) {
            QFont font = WindowFont();
            font.setPointSize(i == 0 ? 16 : 10);
            font.setBold(i == 0);
            painter.setFont(font);
            const QRectF box(0, y, writer.width(), 1e6);
            const QRectF used = painter.boundingRect(box, Qt::TextWordWrap, lines[i]);
            painter.drawText(box, Qt::TextWordWrap, lines[i]);
            y += std::max(used.height(), 6 * pt) + 3 * pt;
        }
        if (!painter.end()) return false;
    }
    const std::string bytes = buffer.data().toStdString();
    return base::RewriteFile(chip::PathFromUtf8(path.toStdString()),
                             [&](std::string_view) { return bytes; });
}

QString CalibrationController::Label() const {
    QString label = label_();
    const app::CalibrationTexts& texts = context_.texts.calibration;
    if (const auto* zero = dynamic_cast<const app::ZeroAssistant*>(assistant_.get())) {
        if (zero->RoundReadings() < 2) return label;
        return label + QLatin1Char('\n') +
               Text(texts.vZeroLive)
                   .arg(zero->RoundReadings())
                   .arg(zero->Readings())
                   .arg(Codes(zero->LiveMean()), Codes(zero->LiveScatter()));
    }
    const auto* turn = dynamic_cast<const app::TurnAssistant*>(assistant_.get());
    if (turn == nullptr) return label;
    if (const std::optional<app::TurnMeasurement>& live = turn->Live()) {
        label += QLatin1Char('\n') + Text(texts.vLiveFigures)
                                         .arg(Codes(live->x), Codes(live->y),
                                              Codes(live->amplitudeX), Codes(live->amplitudeY),
                                              Rpm(std::abs(turn->TurnRpm())), Codes(live->noise));
    }
    const double left = turn->SecondsLeft();
    if (left >= 0) {
        label += QLatin1Char('\n') + Text(texts.vTimeLeft).arg(std::lround(left));
    }
    return label;
}

void CalibrationController::PlaceDialog() {
    if (progress_ == nullptr) return;
    progress_->adjustSize();
    const QRect chart(xy_.ChartXY->mapToGlobal(QPoint(0, 0)), xy_.ChartXY->size());
    const QRect screen = window_->screen() ? window_->screen()->availableGeometry() : QRect();
    progress_->move(BesideChart(chart, progress_->frameGeometry().size(), screen));
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
                              Text(fields_.Control(field->control()).Text()))
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
    const auto* turn = dynamic_cast<const app::TurnAssistant*>(assistant_.get());
    switch (assistant_->Fault()) {
        case app::AssistantFault::None:
            break;
        case app::AssistantFault::NotTurning:
            if (turn == nullptr || turn->PointSeconds() <= 0) {
                return Text(texts.vNotTurning).arg(app::OffsetAssistant::kTimeLimitSeconds);
            }
            return Text(texts.vStill)
                .arg(QString::number(std::abs(turn->TravelDegrees()), 'f', 0))
                .arg(QString::number(turn->MeasuredSeconds(), 'f', 0))
                .arg(Rpm(app::OffsetAssistant::SlowestRpm()), Rpm(turn->FastestRpm()));
        case app::AssistantFault::TooSlow:
        case app::AssistantFault::TooFast:
            if (turn == nullptr) break;
            return Text(assistant_->Fault() == app::AssistantFault::TooSlow ? texts.vTooSlow
                                                                            : texts.vTooFast)
                .arg(Rpm(std::abs(turn->TurnRpm())),
                     assistant_->Fault() == app::AssistantFault::TooSlow
                         ? QString::number(app::OffsetAssistant::kTimeLimitSeconds)
                         : QString::number(turn->PointSeconds(), 'f', 2),
                     Rpm(app::OffsetAssistant::SlowestRpm()), Rpm(turn->FastestRpm()));
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
        case app::AssistantFault::Turning: {
            const auto* zero = dynamic_cast<const app::ZeroAssistant*>(assistant_.get());
            if (zero == nullptr) return Text(texts.vTurning);
            return Text(texts.vTurning) + QLatin1Char('\n') +
                   Text(texts.vDrift).arg(Codes(zero->Drift()));
        }
        case app::AssistantFault::OutsideTolerance:
            return OutsideText();
        case app::AssistantFault::UnexpectedResponse:
            return Text(texts.vUnexpected).arg(field);
    }
    return {};
}

QString CalibrationController::OutsideText() const {
    const app::CalibrationTexts& texts = context_.texts.calibration;
    if (const auto* zero = dynamic_cast<const app::ZeroAssistant*>(assistant_.get())) {
        return Text(texts.vZeroOutside).arg(Codes(zero->Residual()), Codes(zero->Tolerance()));
    }
    const auto& turn = static_cast<const app::TurnAssistant&>(*assistant_);
    if (turn.Measurements().empty()) return {};
    const app::TurnMeasurement& last = turn.Measurements().back();
    if (const auto* offsets = dynamic_cast<const app::OffsetAssistant*>(&turn)) {
        const double allowed =
            std::max(app::OffsetAssistant::kCentredCodes,
                     app::OffsetAssistant::kCentredSigmas * last.error) +
            std::max(std::abs(offsets->SineEffect()), std::abs(offsets->CosineEffect())) / 2;
        return Text(texts.vCentreOutside).arg(Codes(std::hypot(last.x, last.y)), Codes(allowed));
    }
    return Text(texts.vAmplitudeOutside).arg(Codes(std::abs(last.amplitudeX - last.amplitudeY)));
}

QString CalibrationController::Uncertainty(const app::TurnMeasurement& m) const {
    if (m.points == 0) return {};
    return Text(context_.texts.calibration.vUncertainty)
        .arg(Codes(m.error), Codes(m.noise))
        .arg(m.points);
}

QString CalibrationController::AmplitudeReport() const {
    const app::CalibrationTexts& texts = context_.texts.calibration;
    const auto& a = static_cast<const app::AmplitudeAssistant&>(*assistant_);
    QStringList lines;
    switch (a.Outcome()) {
        case app::AssistantOutcome::Done:
            lines << Text(a.Written() ? texts.vAmplitudeDone : texts.vAmplitudeAlready);
            break;
        case app::AssistantOutcome::Cancelled:
            lines << Text(texts.vCancelled);
            break;
        default:
            lines << Text(texts.vAmplitudeFailed) << FaultText();
            break;
    }
    auto figures = [](const std::string& text, const app::TurnMeasurement& m) {
        return Text(text).arg(Codes(m.amplitudeX), Codes(m.amplitudeY), Fixed(m.mismatchPercent, 2),
                              Degrees(m.mismatchErrorDegrees));
    };
    const app::TurnMeasurement before = a.Before(), after = a.After();
    if (before.points > 0) lines << figures(texts.vAmplitudeBefore, before);
    if (after.points > 0) lines << figures(texts.vAmplitudeAfter, after);
    if (a.Outcome() == app::AssistantOutcome::Done && a.Written()) {
        const app::Trim& g = a.Gains();
        lines << Text(texts.vAmplitudeValues)
                     .arg(g.startX)
                     .arg(g.finalX)
                     .arg(g.startY)
                     .arg(g.finalY)
                     .arg(QString::number(g.effectX, 'f', 1))
                     .arg(QString::number(g.effectY, 'f', 1));
    }
    if (!a.Measurements().empty()) lines << Uncertainty(a.Measurements().back());
    return Finish(lines, a);
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
    const app::TurnMeasurement before = a.Before(), after = a.After();
    if (before.points > 0) {
        lines << Text(texts.vCentreBefore)
                     .arg(Codes(before.x), Codes(before.y), Degrees(before.errorDegrees));
    }
    if (after.points > 0) {
        lines << Text(texts.vCentreAfter)
                     .arg(Codes(after.x), Codes(after.y), Degrees(after.errorDegrees));
    }
    if (a.Outcome() == app::AssistantOutcome::Done) {
        // The registers as the page's edits show them (unsigned), with the signed value.
        auto value = [](const app::Trim& trim, int v) {
            const int word = v & ((1 << trim.fieldX->width) - 1);
            return word == v ? QString::number(v) : QStringLiteral("%1 (%2)").arg(word).arg(v);
        };
        const app::Trim& coarse = a.Coarse();
        if (coarse.used) {
            lines << Text(texts.vCoarseValues)
                         .arg(value(coarse, coarse.startX), value(coarse, coarse.finalX),
                              value(coarse, coarse.startY), value(coarse, coarse.finalY),
                              QString::number(coarse.effectX, 'f', 2),
                              QString::number(coarse.effectY, 'f', 2));
        }
        const app::Trim& fine = a.Fine();
        lines << Text(texts.vCentreValues)
                     .arg(value(fine, fine.startX), value(fine, fine.finalX),
                          value(fine, fine.startY), value(fine, fine.finalY),
                          QString::number(fine.effectX, 'f', 2),
                          QString::number(fine.effectY, 'f', 2));
    }
    if (!a.Measurements().empty()) lines << Uncertainty(a.Measurements().back());
    return Finish(lines, a);
}

QString CalibrationController::ZeroReport() const {
    const app::CalibrationTexts& texts = context_.texts.calibration;
    const auto& a = static_cast<const app::ZeroAssistant&>(*assistant_);
    QStringList lines;
    switch (a.Outcome()) {
        case app::AssistantOutcome::Done:
            lines << (a.Target() == 0 ? Text(texts.vZeroDone)
                                      : Text(texts.vZeroDoneAt)
                                            .arg(Degrees(app::ZeroAssistant::Degrees(a.Target()))))
                  << Text(texts.vZeroResult)
                         .arg(Codes(a.Before()), Degrees(app::ZeroAssistant::Degrees(a.Before())),
                              Codes(a.Residual()),
                              Degrees(app::ZeroAssistant::Degrees(a.Residual())))
                  << Text(texts.vZeroValues).arg(a.StartZero()).arg(a.FinalZero())
                  << Text(texts.vZeroTarget)
                         .arg(Degrees(app::ZeroAssistant::Degrees(a.Target())))
                         .arg(a.Target())
                         .arg(Codes(a.Tolerance()), Codes(a.ResidualError()))
                         .arg(a.Readings());
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
