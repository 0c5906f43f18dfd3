// One chip on one adapter channel for the qx5520 module: its registers and fields, status,
// identifier, configuration files, readings and assistants, each through the tool's own core.
#pragma once

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "app/analysis/accuracy_recording.h"
#include "app/config/config_file.h"
#include "chip/ASens_Digital.h"
#include "chip/UnitFTDI.h"

namespace app {
class Assistant;
class HeadlessFieldControls;
}  // namespace app

namespace qxpy {

namespace py = pybind11;

/// Binds the adapter library at path for this process. Another library while chips are open
/// on the first is refused: the chips would lose their entry points.
void BindLibrary(const std::string& path);
/// The adapter library bound, or empty.
const std::string& BoundLibrary();

/// With the virtual chip bound and no chip open: the chips opened from now on take their
/// pauses in virtual time (on false: real time again), and the virtual chip starts again from
/// its scenario with its magnet on that time. AdapterError when the library is no virtual
/// chip, or chips are open.
void UseVirtualTime(bool on);

/// One row of Chip.read_angles (numpy's aligned dtype of the same fields has this layout).
struct AngleRow {
    double time;    // seconds since 1970 (the system clock), or virtual seconds
    uint16_t code;  // the 13-bit angle
    double degrees;
    uint8_t adc;
    uint8_t low_speed;
    bool parity_ok;  // the word has an even number of ones
};

/// One row of Chip.read_signals: the time and the X-Y reading.
struct SignalRow {
    double time;
    int32_t x;
    int32_t y;
};

class Chip {
  public:
    Chip(uint32_t clockHz, const std::string& serial, uint32_t channel);
    ~Chip();
    Chip(const Chip&) = delete;
    Chip& operator=(const Chip&) = delete;

    void Close();
    bool Closed() const { return !open_; }
    uint32_t ChannelIndex() const { return adapter_.ChannelIndex(); }

    int ReadRegister(int address);
    void WriteRegister(int address, long word, bool allowSsi);
    int ReadField(const std::string& key);
    void WriteField(const std::string& key, long value, bool allowSsi);
    py::dict Status();
    uint32_t Identifier();
    void SetIdentifier(long long identifier);

    void SaveConfig(const std::string& path);
    /// Writes a file's configuration as -loadconfig does: {verified, unchanged, mismatched
    /// [(key, wanted, read)], ssi_switched}.
    py::dict LoadConfig(const std::string& path);
    /// The file's values against what the chip holds, nothing written: {equal, different
    /// [(key, file, chip)]}.
    py::dict CompareConfig(const std::string& path);

    /// n angle words, each read alone (no pause), `interval` seconds apart.
    py::array_t<AngleRow> ReadAngles(long n, double interval);
    /// n angle words back to back at the bus's speed (the adapter library's bursts), with
    /// the way they were read and the rate: (rows, in_library, rate, limit, start). The rows'
    /// times count from the first reading (an epoch's seconds in a double keep only some
    /// 0.2 µs); start is that reading's time in seconds since 1970.
    py::tuple CaptureAngles(long n);
    /// n X-Y readings (registers 34 and 35, each with its pause).
    py::array_t<SignalRow> ReadSignals(long n, double interval);

    /// The calibration assistants, run step by step; progress (or None) sees each step and
    /// cancels by returning False. Each returns its report.
    py::dict CentreSignals(const py::object& progress);
    py::dict MatchAmplitudes(const py::object& progress);
    py::dict SetZero(int targetCode, double tolerance, const py::object& progress);

  private:
    /// A configuration file's values, or ConfigFileError with every fault (as -loadconfig
    /// names them) and SsiModeError for a file that sets SSI_MODE.
    static std::vector<app::FieldValue> Parsed(const std::string& path);
    void Usable() const;
    /// Runs an operation on the channel with the interpreter free, one at a time: a thread
    /// that closes the chip waits for another's transfer (AdapterError once it is closed).
    template <typename Operation>
    auto Locked(Operation operation) -> decltype(operation());
    /// Runs read(i) for i from 0 to n, `interval` seconds apart; see chip.cpp.
    template <typename Read>
    void ReadEach(long n, double interval, Read read);
    /// Closes the channel once it is free.
    void CloseChannel();
    /// The time of a reading: seconds since 1970, or the virtual time.
    double Now() const;
    /// Runs an assistant to its end with its report; Ctrl+C cancels it, restores and then
    /// raises KeyboardInterrupt.
    py::dict RunAssistant(app::Assistant& assistant, app::HeadlessFieldControls& controls,
                          const py::object& progress);
    /// An assistant over turns of the magnet, with its measurements before and after.
    template <typename TurnAssistant>
    py::dict RunTurnAssistant(const py::object& progress);

    chip::Adapter adapter_;
    chip::TASensDig dig_;
    app::RecordingClock clock_;
    std::mutex mutex_;  // held by the operation on the channel under way
    bool virtual_ = false;
    bool open_ = false;
};

}  // namespace qxpy
