// A capture of the angle word at the bus's speed: N readings or T seconds of them, read as
// bursts of bare read frames (the adapter library's own burst, or single reads where the
// library has none), each step at most kStepSeconds of bus time, so that a window stays live
// between steps and a Cancel is taken at once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace chip {
class TASensDig;
}

namespace app {

class AngleCapture {
  public:
    /// Bus time (or, with single reads, wall time) one step may take.
    static constexpr double kStepSeconds = 0.05;
    /// At most this many readings are kept (some 160 MB with their times).
    static constexpr size_t kMaxReadings = 10'000'000;

    /// Empties the capture and sets what it reads: `count` readings, or (count 0) for
    /// `seconds`, at the chip's clock in force. startSeconds: the caller's clock at the start
    /// (seconds since 1970), from which the readings' times count.
    void Start(size_t count, double seconds, double startSeconds);
    /// Reads the next burst. `now`: the caller's clock, to which the first reading is tied
    /// (the others keep their distances on the adapter's clock). Throws TransferFailure when
    /// the adapter did not complete it; what was read before stays.
    void Step(chip::TASensDig& chip, double now);
    /// Ends the capture with what it has.
    void Cancel() { cancelled_ = true; }

    bool Complete() const;
    bool Cancelled() const { return cancelled_; }
    /// From 0 to 1.
    double Progress() const;

    /// Each reading's time in seconds after the start, and the start (the caller's clock).
    const std::vector<double>& Seconds() const { return seconds_; }
    double StartSeconds() const { return start_; }
    const std::vector<uint16_t>& Words() const { return words_; }

    /// Whether the adapter library read the bursts (else: single reads).
    bool InLibrary() const { return inLibrary_; }
    /// The SPI clock in force, hertz, and the most readings a second it allows: one frame of
    /// 16 data clocks and the chip select's setup, hold and gap.
    uint32_t ClockHz() const { return clockHz_; }
    double LimitRate() const;
    /// Readings a second over the capture's span (0 before two).
    double Rate() const;
    /// The longest time between two readings, seconds (0 before two).
    double LargestGap() const;

  private:
    size_t StepCount() const;

    size_t wanted_ = 0;
    double duration_ = 0;
    double start_ = 0;
    uint32_t clockHz_ = 0;
    bool inLibrary_ = false;
    bool cancelled_ = false;
    bool full_ = false;
    size_t singleStep_ = 16;    // single reads a step, grown while a step takes little time
    double channelOrigin_ = 0;  // the channel's time at the start
    std::vector<double> seconds_;
    std::vector<uint16_t> words_;
};

/// The line a capture states: how it read (the library's bursts or single reads), how many,
/// the rate it gave and the limit of the clock in force.
std::string CaptureLine(const AngleCapture& capture);

}  // namespace app
