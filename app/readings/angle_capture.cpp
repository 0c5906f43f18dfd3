#include "app/readings/angle_capture.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>

#include "app/readings/transfer_check.h"
#include "chip/ASens_Digital.h"

namespace app {

void AngleCapture::Start(size_t count, double seconds, double startSeconds) {
    wanted_ = std::min(count, kMaxReadings);
    duration_ = count == 0 ? std::max(seconds, 0.0) : 0.0;
    start_ = startSeconds;
    cancelled_ = false;
    full_ = false;
    singleStep_ = 16;
    channelOrigin_ = 0;
    seconds_.clear();
    words_.clear();
    if (wanted_ > 0) {
        seconds_.reserve(wanted_);
        words_.reserve(wanted_);
    }
}

double AngleCapture::LimitRate() const {
    return static_cast<double>(clockHz_) / QX_BURST_FRAME_CLOCKS;
}

size_t AngleCapture::StepCount() const {
    size_t count =
        inLibrary_ ? static_cast<size_t>(std::max(1.0, kStepSeconds * LimitRate())) : singleStep_;
    if (wanted_ > 0) count = std::min(count, wanted_ - words_.size());
    return std::min(count, kMaxReadings - words_.size());
}

void AngleCapture::Step(chip::TASensDig& chip, double now) {
    if (Complete()) return;
    clockHz_ = chip.ClockRate();
    inLibrary_ = chip::Adapter::BurstInLibrary();
    const size_t count = StepCount();
    const size_t before = words_.size();
    words_.resize(before + count);
    seconds_.resize(before + count);
    uint32_t read = 0;
    const auto began = std::chrono::steady_clock::now();
    const FT_STATUS status =
        chip.ReadAngleBurst(static_cast<uint32_t>(count), &words_[before], &seconds_[before], read);
    const double took =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
    words_.resize(before + read);
    seconds_.resize(before + read);
    // The channel's clock is the adapter's: its first reading is taken at the caller's `now`,
    // and the rest keep their distance from it exactly (seconds from the start: an epoch's
    // seconds in a double keep only some 0.2 µs).
    if (before == 0 && read > 0) channelOrigin_ = seconds_[0] - (now - start_);
    for (size_t i = before; i < seconds_.size(); ++i) seconds_[i] -= channelOrigin_;
    full_ = words_.size() >= kMaxReadings;
    if (status != FT_OK) throw TransferFailure();
    // Single reads: as many a step as fit in its time.
    if (!inLibrary_ && took < kStepSeconds / 2)
        singleStep_ = std::min<size_t>(singleStep_ * 2, 1 << 20);
}

bool AngleCapture::Complete() const {
    if (cancelled_ || full_) return true;
    if (wanted_ > 0) return words_.size() >= wanted_;
    return !seconds_.empty() && seconds_.back() - seconds_.front() >= duration_;
}

double AngleCapture::Progress() const {
    if (Complete()) return 1.0;
    if (wanted_ > 0) return static_cast<double>(words_.size()) / static_cast<double>(wanted_);
    if (seconds_.empty() || duration_ <= 0) return 0.0;
    return std::min(1.0, (seconds_.back() - seconds_.front()) / duration_);
}

double AngleCapture::Rate() const {
    if (seconds_.size() < 2) return 0.0;
    const double span = seconds_.back() - seconds_.front();
    return span > 0 ? static_cast<double>(seconds_.size() - 1) / span : 0.0;
}

double AngleCapture::LargestGap() const {
    double gap = 0;
    for (size_t i = 1; i < seconds_.size(); ++i) gap = std::max(gap, seconds_[i] - seconds_[i - 1]);
    return gap;
}

std::string CaptureLine(const AngleCapture& capture) {
    char line[200];
    std::snprintf(line, sizeof line,
                  "%zu readings by %s at %.0f /s; the %u Hz clock allows %.0f /s",
                  capture.Words().size(),
                  capture.InLibrary() ? "the adapter library's bursts" : "single reads",
                  capture.Rate(), static_cast<unsigned>(capture.ClockHz()), capture.LimitRate());
    return line;
}

}  // namespace app
