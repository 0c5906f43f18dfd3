#include "python/chip.h"

#include <dlfcn.h>
#include <pybind11/stl.h>

#include <atomic>
#include <bit>
#include <chrono>
#include <cstdio>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "app/analysis/accuracy_recording.h"
#include "app/calibration/calibration.h"
#include "app/calibration/calibration_report.h"
#include "app/config/chip_configuration.h"
#include "app/config/chip_id.h"
#include "app/config/config_file.h"
#include "app/config/config_workflow.h"
#include "app/config/param_groups.h"
#include "app/readings/angle_capture.h"
#include "app/readings/chip_readings.h"
#include "app/readings/identification.h"
#include "app/readings/readout_format.h"
#include "app/readings/status_flags.h"
#include "chip/UnitSPI.h"
#include "chip/utf8_path.h"
#include "python/raise.h"
#include "sim/qx5520_sim.h"

namespace qxpy {

namespace {

constexpr uint8_t kSsiRegister = 16;
constexpr uint16_t kSsiBit = 0x0800;

// The library's binding messages of this process, for the error that follows them.
std::vector<std::string>& BindingMessages() {
    static std::vector<std::string> messages;
    return messages;
}

std::string& Bound() {
    static std::string path;
    return path;
}

std::atomic<int>& OpenChips() {
    static std::atomic<int> count{0};
    return count;
}

/// The virtual chip's time when a script asked for it: each pause of a chip adds to it, and
/// the virtual magnet follows it.
class VirtualTime final : public chip::Clock {
  public:
    void Sleep(std::chrono::milliseconds duration) override {
        now.fetch_add(static_cast<double>(duration.count()) / 1000.0);
    }
    static double Seconds() { return now.load(); }
    static inline std::atomic<double> now{0.0};
    static inline bool on = false;
};

VirtualTime& Virtual() {
    static VirtualTime clock;
    return clock;
}

const app::ConfigField& FieldNamed(const std::string& key) {
    const app::ConfigField* field = app::FieldByKey(key);
    if (field == nullptr) throw py::key_error("no field " + key + " in the chip's field table");
    return *field;
}

/// Sleeps `seconds` in slices, so that Ctrl+C ends the wait within 50 ms.
void Wait(double seconds) {
    using namespace std::chrono;
    const auto until =
        steady_clock::now() + duration_cast<steady_clock::duration>(duration<double>(seconds));
    while (steady_clock::now() < until) {
        {
            py::gil_scoped_release free;
            const steady_clock::duration slice = duration_cast<steady_clock::duration>(50ms);
            std::this_thread::sleep_for(std::min(until - steady_clock::now(), slice));
        }
        CheckSignals();
    }
}

void CheckAddress(int address) {
    if (address < 0 || address >= chip::kRegisterCount) {
        throw py::value_error("a register address is 0..39, not " + std::to_string(address));
    }
}

void CheckCount(long n, double interval) {
    if (n < 0) throw py::value_error("the number of readings is not negative");
    if (!(interval >= 0)) throw py::value_error("the interval is 0 or more seconds");
}

/// The row of an angle word read at `time`.
AngleRow RowOf(double time, uint16_t word) {
    const app::AngleSample sample = app::AngleSampleFromWord(word);
    return AngleRow{time,       sample.AngleData, app::AngleCodeDegrees(sample.AngleData),
                    sample.ADC, sample.LS,        std::popcount(word) % 2 == 0};
}

/// A line of text without the line breaks before it.
std::string Trimmed(const std::string& text) {
    const size_t first = text.find_first_not_of('\n');
    return first == std::string::npos ? std::string() : text.substr(first);
}

const char* OutcomeName(app::AssistantOutcome outcome) {
    switch (outcome) {
        case app::AssistantOutcome::Done:
            return "done";
        case app::AssistantOutcome::Cancelled:
            return "cancelled";
        case app::AssistantOutcome::Failed:
            return "failed";
        case app::AssistantOutcome::Running:
            break;
    }
    return "running";
}

/// Why an assistant stopped, in a script's words (None when nothing went wrong).
py::object FaultName(app::AssistantFault fault) {
    using F = app::AssistantFault;
    static const std::pair<F, const char*> names[] = {
        {F::NotTurning, "not turning"},
        {F::NoEffect, "no effect"},
        {F::OtherChannel, "other channel"},
        {F::OutOfRange, "out of range"},
        {F::NotBetter, "not better"},
        {F::NotHeld, "not held"},
        {F::Turning, "turning"},
        {F::UnexpectedResponse, "unexpected response"},
        {F::Clipping, "clipping"},
        {F::NoSignal, "no signal"},
        {F::TooSlow, "too slow"},
        {F::TooFast, "too fast"},
        {F::OutsideTolerance, "outside tolerance"}};
    for (const auto& [value, name] : names) {
        if (value == fault) return py::str(name);
    }
    return py::none();
}

/// A measurement over a turn as a dict; None when it was not made.
py::object Measurement(const app::TurnMeasurement& m, bool missing) {
    if (missing) return py::none();
    py::dict d;
    d["centre"] = py::make_tuple(m.x, m.y);
    d["amplitudes"] = py::make_tuple(m.amplitudeX, m.amplitudeY);
    d["mismatch_percent"] = m.mismatchPercent;
    d["offset_error_degrees"] = m.errorDegrees;
    d["mismatch_error_degrees"] = m.mismatchErrorDegrees;
    d["noise"] = m.noise;
    d["standard_error"] = m.error;
    d["points"] = m.points;
    return d;
}

}  // namespace

const std::string& BoundLibrary() {
    return Bound();
}

void BindLibrary(const std::string& path) {
    if (path == Bound() && chip::AdapterLibraryComplete()) return;
    if (!Bound().empty() && OpenChips() > 0) {
        Raise("AdapterError", "the adapter library " + Bound() +
                                  " serves the chips open in this process; close them before "
                                  "binding " +
                                  path);
    }
    static const bool sinkSet = [] {
        chip::SetBindingMessageSink(
            [](const std::string& message) { BindingMessages().push_back(message); });
        return true;
    }();
    (void)sinkSet;
    BindingMessages().clear();
    const bool complete = chip::BindAdapterLibrary(chip::PathFromUtf8(path));
    Bound() = path;
    VirtualTime::on = false;
    if (!complete) {
        std::string why =
            std::string("no adapter library is bound (") + path + " is missing or incomplete)";
        for (const std::string& message : BindingMessages()) why += "; " + message;
        Raise("AdapterError", why);
    }
}

void UseVirtualTime(bool on) {
    // The bound library is loaded already: this finds it without loading anything.
    void* handle = Bound().empty() ? nullptr : ::dlopen(Bound().c_str(), RTLD_NOW | RTLD_NOLOAD);
    auto setClock =
        handle == nullptr
            ? nullptr
            : reinterpret_cast<QX5520Sim_SetClock_t>(::dlsym(handle, "QX5520Sim_SetClock"));
    auto reset = handle == nullptr
                     ? nullptr
                     : reinterpret_cast<QX5520Sim_Reset_t>(::dlsym(handle, "QX5520Sim_Reset"));
    if (handle != nullptr) ::dlclose(handle);
    if (setClock == nullptr || reset == nullptr) {
        Raise("AdapterError",
              "virtual time needs the virtual chip, and the adapter library bound (" +
                  (Bound().empty() ? std::string("none") : Bound()) + ") is not the virtual chip");
    }
    if (OpenChips() > 0) {
        Raise("AdapterError",
              "virtual time is switched with no chip open: close the chips first (the virtual "
              "chip starts again from its scenario)");
    }
    setClock(on ? &VirtualTime::Seconds : nullptr);
    reset();  // the virtual chips made from now on follow that clock
    VirtualTime::on = on;
}

Chip::Chip(uint32_t clockHz, const std::string& serial, uint32_t channel)
    : adapter_([clockHz] { return clockHz; }),
      dig_(adapter_, VirtualTime::on ? static_cast<chip::Clock&>(Virtual()) : chip::SystemClock()),
      virtual_(VirtualTime::on) {
    adapter_.SelectAdapter(serial);
    adapter_.SelectChannel(channel);
    const app::Identification id = Released([&] { return app::Identify(dig_, adapter_); });
    if (id.outcome != app::IdentifyOutcome::Identified) {
        dig_.CloseSPI();
        if (id.adapterFault) Raise("AdapterError", id.cause);
        Raise("NotIdentified", id.cause, id.word);
    }
    open_ = true;
    ++OpenChips();
}

Chip::~Chip() {
    // Nothing else holds the chip any more: no operation can be under way.
    CloseChannel();
}

void Chip::Close() {
    py::gil_scoped_release free;  // while another thread's transfer ends
    CloseChannel();
}

void Chip::CloseChannel() {
    const std::lock_guard<std::mutex> hold(mutex_);
    if (!open_) return;
    open_ = false;
    --OpenChips();
    dig_.CloseSPI();
}

template <typename Operation>
auto Chip::Locked(Operation operation) -> decltype(operation()) {
    return Released([&] {
        const std::lock_guard<std::mutex> hold(mutex_);
        if (!open_) throw ChannelClosed{};
        return operation();
    });
}

/// Readings without a pause between them are read in slices of about kSlice with the
/// interpreter free, and Ctrl+C is looked at after each: looking after every reading would
/// cost a third of the speed (bench/python). The clock is looked at after the 1st, 2nd, 4th,
/// ... and then every 64th reading of a slice, so that a slow reading (an X-Y point, 200 ms)
/// ends its slice at once.
template <typename Read>
void Chip::ReadEach(long n, double interval, Read read) {
    using Clock = std::chrono::steady_clock;
    constexpr std::chrono::milliseconds kSlice{10};
    long i = 0;
    while (i < n) {
        if (i > 0 && interval > 0) {
            if (virtual_) {
                VirtualTime::now.fetch_add(interval);
            } else {
                Wait(interval);
            }
        }
        Locked([&] {
            const Clock::time_point end = Clock::now() + kSlice;
            long taken = 0;
            bool over = false;
            do {
                read(i);
                ++i;
                ++taken;
                const bool look = (taken & (taken - 1)) == 0 || taken % 64 == 0;
                over = look && Clock::now() >= end;
            } while (i < n && interval <= 0 && !over);
        });
        CheckSignals();
    }
}

double Chip::Now() const {
    return virtual_ ? VirtualTime::Seconds() : clock_.Seconds();
}

int Chip::ReadRegister(int address) {
    Usable();
    CheckAddress(address);
    return Locked([&] { return app::ReadRegisterWord(dig_, static_cast<uint8_t>(address)); });
}

void Chip::WriteRegister(int address, long word, bool allowSsi) {
    Usable();
    CheckAddress(address);
    if (word < 0 || word > 0xFFFF) {
        throw py::value_error("a register word is 0..65535, not " + std::to_string(word));
    }
    if (address == kSsiRegister && (word & kSsiBit) && !allowSsi) {
        Raise("SsiModeError",
              "writing register 16 with bit 11 set sets SSI_MODE: the chip's interface "
              "switches to SSI and this tool no longer reaches it; nothing written "
              "(allow_ssi=True writes it anyway)");
    }
    const auto value = static_cast<uint16_t>(word);
    const bool held =
        Locked([&] { return app::WriteRegisterWord(dig_, static_cast<uint8_t>(address), value); });
    if (!held) {
        const int read = dig_.Slot(static_cast<uint16_t>(address)).DevValue;
        char message[96];
        std::snprintf(message, sizeof message, "register %d: wanted 0x%04X, read 0x%04X", address,
                      value, read);
        Raise("VerifyError", std::string(message), address, word, read, py::none());
    }
}

int Chip::ReadField(const std::string& key) {
    Usable();
    const app::ConfigField& field = FieldNamed(key);
    const uint16_t word = Locked([&] { return app::ReadRegisterWord(dig_, field.reg); });
    return app::Decode(field, word);
}

void Chip::WriteField(const std::string& key, long value, bool allowSsi) {
    Usable();
    const app::ConfigField& field = FieldNamed(key);
    if (field.kind == app::FieldKind::Display) {
        throw py::value_error(key + " is a readout of the chip: it cannot be written");
    }
    const long top = (1L << field.width) - 1;
    if (value < 0 || value > top) {
        throw py::value_error(key + ": " + std::to_string(value) +
                              " is not a value of the field (0.." + std::to_string(top) + ")");
    }
    if (field.reg == kSsiRegister && field.mask == kSsiBit && value == 1 && !allowSsi) {
        Raise("SsiModeError",
              "writing SSI_MODE=1 switches the chip's interface to SSI, after which this tool "
              "no longer reaches it; nothing written (allow_ssi=True writes it anyway)");
    }
    if (field.reg == kSsiRegister && !allowSsi) {
        // What the chip holds in the register decides whether the write sends the bit.
        Locked([&] { return app::ReadRegisterWord(dig_, field.reg); });
        const std::vector<app::FieldValue> values{{&field, static_cast<int32_t>(value)}};
        if (const auto refusal = app::SsiWriteRefusal(dig_, values)) {
            Raise("SsiModeError", *refusal + " (allow_ssi=True writes it anyway)");
        }
    }
    uint16_t data = app::Encode(field, static_cast<int32_t>(value));
    const uint8_t result = Locked([&] {
        const app::TransferWatch watch(dig_);
        const uint8_t outcome = dig_.SetRegisterState(field.reg, data, field.mask);
        watch.Check();
        return outcome;
    });
    if (result == 0) {
        Raise("VerifyError",
              key + ": wanted " + std::to_string(value) + ", read " + std::to_string(data),
              static_cast<int>(field.reg), value, static_cast<int>(data), key);
    }
}

py::dict Chip::Status() {
    Usable();
    const uint16_t word = Locked([&] { return app::ReadRegisterWord(dig_, 32); });
    py::dict flags;
    for (const app::StatusFlag& flag : app::kStatusFlags) {
        flags[py::str(std::string(flag.name))] = ((word >> flag.bit) & 1) != 0;
    }
    return flags;
}

uint32_t Chip::Identifier() {
    Usable();
    const std::string text = Locked([&] { return app::ReadChipId(dig_); });
    return static_cast<uint32_t>(std::stoul(text.substr(1), nullptr, 16));
}

void Chip::SetIdentifier(long long identifier) {
    Usable();
    if (identifier < 0 || identifier > 0xFFFFFFFFLL) {
        throw py::value_error("the chip identifier is 32 bits: 0..4294967295");
    }
    Locked([&] { app::WriteChipId(dig_, app::ChipIdText(static_cast<uint32_t>(identifier))); });
}

void Chip::SaveConfig(const std::string& path) {
    Usable();
    const std::string text = Locked([&] { return app::ChipConfigurationText(dig_, QX_VERSION); });
    std::string error;
    if (!app::SaveConfigurationFile(chip::PathFromUtf8(path), text, error)) {
        Raise("ConfigFileError", error, py::list());
    }
}

py::dict Chip::LoadConfig(const std::string& path) {
    Usable();
    const std::vector<app::FieldValue> values = Parsed(path);
    app::HeadlessFieldControls controls;
    app::WriteAllJob write(controls, values);
    Locked([&] {
        // The words the chip holds first: a field it already holds is not written at all.
        app::ReadConfigurationGroups(dig_, controls);
    });
    if (const auto refusal = app::SsiWriteRefusal(dig_, values)) {
        Raise("SsiModeError", *refusal);
    }
    Locked([&] { app::JobRunner(write).RunAll(dig_); });
    const app::WriteSummary& summary = write.Summary();
    py::list mismatched;
    for (const app::FieldMismatch& m : summary.mismatched) {
        mismatched.append(py::make_tuple(std::string(m.field->key), m.wanted, m.held));
    }
    py::dict report;
    report["verified"] = summary.verified;
    report["unchanged"] = summary.unchanged;
    report["mismatched"] = mismatched;
    report["ssi_switched"] = summary.ssiSwitched;
    return report;
}

py::dict Chip::CompareConfig(const std::string& path) {
    Usable();
    const std::vector<app::FieldValue> values = Parsed(path);
    app::HeadlessFieldControls controls;
    Locked([&] { app::ReadConfigurationGroups(dig_, controls); });
    const std::vector<app::FieldValue> held = app::ValuesOfControls(controls).values;
    int equal = 0;
    py::list different;
    for (const app::FieldValue& value : values) {
        const app::FieldValue* chipValue = app::FindValue(held, value.field->key);
        if (chipValue != nullptr && chipValue->value == value.value) {
            ++equal;
        } else {
            different.append(
                py::make_tuple(std::string(value.field->key), value.value,
                               chipValue ? py::int_(chipValue->value) : py::object(py::none())));
        }
    }
    py::dict report;
    report["equal"] = equal;
    report["different"] = different;
    return report;
}

py::array_t<AngleRow> Chip::ReadAngles(long n, double interval) {
    Usable();
    CheckCount(n, interval);
    py::array_t<AngleRow> rows(n);
    auto r = rows.mutable_unchecked<1>();
    ReadEach(n, interval, [&](long i) {
        const double at = Now();
        r(i) = RowOf(at, app::ReadAngleSample(dig_).AData);
    });
    return rows;
}

py::tuple Chip::CaptureAngles(long n) {
    Usable();
    if (n < 1 || static_cast<size_t>(n) > app::AngleCapture::kMaxReadings) {
        throw py::value_error("a capture is 1 to " +
                              std::to_string(app::AngleCapture::kMaxReadings) + " readings");
    }
    app::AngleCapture capture;
    capture.Start(static_cast<size_t>(n), 0, Now());
    while (!capture.Complete()) {
        Locked([&] { capture.Step(dig_, Now()); });  // at most 50 ms of bus time a step
        CheckSignals();
    }
    const size_t count = capture.Words().size();
    py::array_t<AngleRow> rows(static_cast<py::ssize_t>(count));
    auto r = rows.mutable_unchecked<1>();
    for (size_t i = 0; i < count; ++i) {
        r(static_cast<py::ssize_t>(i)) =
            RowOf(capture.Seconds()[i] - capture.Seconds().front(), capture.Words()[i]);
    }
    const double start = capture.StartSeconds() + (count > 0 ? capture.Seconds().front() : 0.0);
    return py::make_tuple(rows, capture.InLibrary(), capture.Rate(), capture.LimitRate(), start);
}

py::array_t<SignalRow> Chip::ReadSignals(long n, double interval) {
    Usable();
    CheckCount(n, interval);
    py::array_t<SignalRow> rows(n);
    auto r = rows.mutable_unchecked<1>();
    ReadEach(n, interval, [&](long i) {
        const double at = Now();
        const app::XYPoint point = app::ReadXYPoint(dig_);
        r(i) = SignalRow{at, point.X, point.Y};
    });
    return rows;
}

std::vector<app::FieldValue> Chip::Parsed(const std::string& path) {
    app::ParsedConfiguration parsed = app::LoadConfigurationFile(chip::PathFromUtf8(path));
    if (!parsed.errors.empty()) {
        std::string message;
        for (const std::string& line : parsed.errors)
            message += (message.empty() ? "" : "\n") + line;
        Raise("ConfigFileError", message, parsed.errors);
    }
    if (const auto refusal = app::FileSsiRefusal(path, parsed.values)) {
        Raise("SsiModeError", *refusal);
    }
    return std::move(parsed.values);
}

template <typename TurnAssistant>
py::dict Chip::RunTurnAssistant(const py::object& progress) {
    Usable();
    app::HeadlessFieldControls controls;
    TurnAssistant assistant(controls, [this] { return Now(); });
    py::dict report = RunAssistant(assistant, controls, progress);
    report["before"] = Measurement(assistant.Before(), assistant.Measurements().empty());
    report["after"] = Measurement(assistant.After(), !assistant.After().points);
    return report;
}

py::dict Chip::CentreSignals(const py::object& progress) {
    return RunTurnAssistant<app::OffsetAssistant>(progress);
}

py::dict Chip::MatchAmplitudes(const py::object& progress) {
    return RunTurnAssistant<app::AmplitudeAssistant>(progress);
}

py::dict Chip::SetZero(int targetCode, double tolerance, const py::object& progress) {
    Usable();
    if (!(tolerance > 0)) throw py::value_error("the tolerance is a positive number of codes");
    app::HeadlessFieldControls controls;
    app::ZeroAssistant assistant(controls, targetCode, tolerance);
    py::dict report = RunAssistant(assistant, controls, progress);
    report["target_code"] = assistant.Target();
    report["before_codes"] = assistant.Before();
    report["residual_codes"] = assistant.Residual();
    report["residual_error_codes"] = assistant.ResidualError();
    report["readings"] = assistant.Readings();
    return report;
}

py::dict Chip::RunAssistant(app::Assistant& assistant, app::HeadlessFieldControls& controls,
                            const py::object& progress) {
    const app::CalibrationTexts texts;             // the tool's English sentences
    std::optional<py::error_already_set> stopped;  // Ctrl+C, or what the callback raised
    while (!assistant.Over()) {
        std::string failure;
        bool closed = false;
        {
            py::gil_scoped_release free;
            const std::lock_guard<std::mutex> hold(mutex_);
            try {
                if (open_) {
                    assistant.Step(dig_);
                } else {
                    closed = true;
                }
            } catch (const app::TransferFailure& error) {
                failure = error.what();
            }
        }
        if (closed) failure = "the chip's channel is closed";
        if (!failure.empty()) {
            // The restore did not finish: the report says what the chip may hold now.
            const std::string report = app::AssistantReport(assistant, texts, controls, failure);
            if (stopped) RaiseFrom(*stopped, "AdapterError", report);
            Raise("AdapterError", report);
        }
        if (stopped || assistant.Over()) continue;
        try {
            CheckSignals();
            if (!progress.is_none()) {
                const py::object answer = progress(
                    assistant.Progress(), Trimmed(app::AssistantLiveLines(assistant, texts)),
                    assistant.Restoring());
                // None goes on; False (or any false value) cancels.
                if (!answer.is_none()) {
                    const int truth = PyObject_IsTrue(answer.ptr());
                    if (truth < 0) throw py::error_already_set();
                    if (truth == 0) assistant.Cancel();
                }
            }
        } catch (py::error_already_set& error) {
            // The starting values go back before the exception reaches the script.
            stopped.emplace(std::move(error));
            assistant.Cancel();
        }
    }
    if (stopped) throw std::move(*stopped);
    py::dict fields;
    for (const auto& [field, start] : assistant.StartValues()) {
        const int now = app::Decode(*field, dig_.Slot(field->reg).DevValue);
        fields[py::str(std::string(field->key))] = py::make_tuple(start, now);
    }
    py::dict report;
    report["outcome"] = OutcomeName(assistant.Outcome());
    report["fault"] = FaultName(assistant.Fault());
    report["fault_field"] = assistant.FaultField().empty()
                                ? py::object(py::none())
                                : py::object(py::str(assistant.FaultField()));
    report["written"] = assistant.Written();
    report["restored"] = assistant.Restored();
    report["restore_failed"] = assistant.RestoreFailed();
    report["fields"] = fields;
    report["text"] = app::AssistantReport(assistant, texts, controls, {});
    return report;
}

void Chip::Usable() const {
    if (!open_) Raise("AdapterError", "the chip's channel is closed");
}

}  // namespace qxpy
