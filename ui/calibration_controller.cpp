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
#include "app/calibration/calibration_report.h"
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
            return Report();
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
        [this] { return Report(); });
}

void CalibrationController::Start(std::unique_ptr<app::Assistant> assistant,
                                  std::function<QString()> label, std::function<QString()> report) {
    assistant_ = std::move(assistant);
    operation_ = std::make_unique<ChipOperation>(context_);
    failure_.clear();
    restoringShown_ = false;
    startedAt_ =
        QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")).toStdString();
    startChip_ = app::NoteChip(context_.chip);
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
    QStringList lines;
    for (const std::string& line : app::CalibrationRecordLines(
             context_.texts.calibration, startedAt_, startChip_, report.toStdString())) {
        lines << Text(line);
    }
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
    return label_() + Text(app::AssistantLiveLines(*assistant_, context_.texts.calibration));
}

QString CalibrationController::Report() const {
    return Text(app::AssistantReport(*assistant_, context_.texts.calibration, fields_,
                                     failure_.toStdString()));
}

void CalibrationController::PlaceDialog() {
    if (progress_ == nullptr) return;
    progress_->adjustSize();
    const QRect chart(xy_.ChartXY->mapToGlobal(QPoint(0, 0)), xy_.ChartXY->size());
    const QRect screen = window_->screen() ? window_->screen()->availableGeometry() : QRect();
    progress_->move(BesideChart(chart, progress_->frameGeometry().size(), screen));
}

}  // namespace ui
