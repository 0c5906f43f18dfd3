#include "ui/periodic_readout.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <exception>

#include "app/config/integer_text.h"

namespace ui {

namespace {

constexpr int kDefaultIntervalMs = 100;

}  // namespace

void ReportError(WindowContext& context, const char* text) {
    if (context.reportError) context.reportError(QString::fromUtf8(text));
}

PeriodicReadout::PeriodicReadout(WindowContext& context, QPushButton* button,
                                 QLineEdit* intervalEdit, QTimer* timer, std::function<void()> tick,
                                 std::function<void()> onStart)
    : context_(context),
      button_(button),
      intervalEdit_(intervalEdit),
      timer_(timer),
      tick_(std::move(tick)),
      onStart_(std::move(onStart)) {}

bool PeriodicReadout::StartsOnClick() const {
    const QString start = QString::fromStdString(context_.texts.btnStart);
    // With equal texts (none at all without a language file) the caption cannot tell.
    if (start == QString::fromStdString(context_.texts.btnStop)) return !running_;
    return button_->text() == start;
}

void PeriodicReadout::SetRunning(bool running) {
    if (running == running_) return;
    running_ = running;
    context_.readoutsRunning += running ? 1 : -1;
    if (exclusive_) context_.recording = running;
}

void PeriodicReadout::StartStopClick() {
    if (StartsOnClick()) {
        if (!exclusive_ && RefusedWhileRecording(context_)) return;
        if (exclusive_ && (context_.readoutsRunning > 0 ||
                           (context_.chipJobRunning && context_.chipJobRunning()))) {
            if (context_.inform) {
                context_.inform(QString::fromStdString(context_.texts.accuracy.vAccOthersRunning));
            }
            return;
        }
        // A recording starts only from a chip that answers its identifier.
        if (exclusive_ && !ChipReady(context_)) return;
        button_->setText(QString::fromStdString(context_.texts.btnStop));
        context_.bStarted = true;
        SetRunning(true);
        if (onStart_) onStart_();
        interval_ = app::IntegerTextOr(intervalEdit_->text().toStdString(), kDefaultIntervalMs);
        timer_->setInterval(interval_ > 0 ? interval_ : 0);
        tick_();
    } else {
        // A page whose run ended on an error still shows its stop text: its click must not
        // clear the flag the recording runs on.
        if (exclusive_ || !context_.recording) context_.bStarted = false;
        SetRunning(false);
        button_->setText(QString::fromStdString(context_.texts.btnStart));
    }
}

void PeriodicReadout::Stop() {
    context_.bStarted = false;
    SetRunning(false);
    button_->setText(QString::fromStdString(context_.texts.btnStart));
}

void PeriodicReadout::Tick(const std::function<void()>& reading) {
    timer_->stop();
    // A tick still armed when the recording began is dropped: no reading during a recording.
    if (!exclusive_ && context_.recording) return;
    const ChipOperation operation(context_);
    try {
        reading();
    } catch (const std::exception& error) {
        SetRunning(false);
        ReportError(context_, error.what());
        return;
    }
    if (context_.bStarted && interval_ > 0) {
        timer_->start();
    } else {
        SetRunning(false);
    }
}

}  // namespace ui
