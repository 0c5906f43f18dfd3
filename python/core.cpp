// The qx5520 module's compiled core: a chip on its adapter channel, its registers and fields,
// its status and identifier, and its readings as arrays, all through the tool's own core (the
// frames, fields, checks and sentences of the window and the batch mode). The Python package
// around it (qx5520/__init__.py) finds the adapter library and gives the friendly names.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "app/analysis/accuracy_recording.h"
#include "app/analysis/angle_stats.h"
#include "app/analysis/lissajous_fit.h"
#include "app/config/chip_configuration.h"
#include "app/config/chip_id.h"
#include "app/config/config_file.h"
#include "app/config/config_workflow.h"
#include "app/config/field_map.h"
#include "app/readings/chip_readings.h"
#include "app/readings/identification.h"
#include "app/readings/status_flags.h"
#include "app/readings/transfer_check.h"
#include "chip/ASens_Digital.h"
#include "chip/UnitFTDI.h"
#include "chip/UnitSPI.h"
#include "chip/utf8_path.h"

namespace py = pybind11;

namespace {

constexpr uint8_t kSsiRegister = 16;
constexpr uint16_t kSsiBit = 0x0800;

/// Raises the module's exception `name` (from qx5520._errors) built from the arguments.
template <typename... Args>
[[noreturn]] void Raise(const char* name, Args&&... args) {
    const py::object type = py::module_::import("qx5520._errors").attr(name);
    const py::object error = type(std::forward<Args>(args)...);
    PyErr_SetObject(type.ptr(), error.ptr());
    throw py::error_already_set();
}

// The library's binding messages of this process, for the error that follows them.
std::vector<std::string>& BindingMessages() {
    static std::vector<std::string> messages;
    return messages;
}

std::string& BoundLibrary() {
    static std::string path;
    return path;
}

int& OpenChips() {
    static int count = 0;
    return count;
}

/// Binds the adapter library at path for this process. Another library while chips are open
/// on the first is refused: the chips would lose their entry points.
void BindLibrary(const std::string& path) {
    if (path == BoundLibrary() && chip::AdapterLibraryComplete()) return;
    if (!BoundLibrary().empty() && OpenChips() > 0) {
        Raise("AdapterError", "the adapter library " + BoundLibrary() +
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
    BoundLibrary() = path;
    if (!complete) {
        std::string why =
            std::string("no adapter library is bound (") + path + " is missing or incomplete)";
        for (const std::string& message : BindingMessages()) why += "; " + message;
        Raise("AdapterError", why);
    }
}

/// Runs a chip operation with the interpreter free for other threads; a transfer the
/// adapter did not complete becomes AdapterError.
template <typename Operation>
auto Released(Operation operation) -> decltype(operation()) {
    try {
        py::gil_scoped_release free;
        return operation();
    } catch (const app::TransferFailure& failure) {
        Raise("AdapterError", std::string(failure.what()));
    }
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
        if (PyErr_CheckSignals() != 0) throw py::error_already_set();
    }
}

/// One chip on one adapter channel.
class Chip {
  public:
    Chip(uint32_t clockHz, const std::string& serial, uint32_t channel)
        : adapter_([clockHz] { return clockHz; }), dig_(adapter_) {
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
    ~Chip() { Close(); }
    Chip(const Chip&) = delete;
    Chip& operator=(const Chip&) = delete;

    void Close() {
        if (!open_) return;
        open_ = false;
        --OpenChips();
        dig_.CloseSPI();
    }
    bool Closed() const { return !open_; }
    uint32_t ChannelIndex() const { return adapter_.ChannelIndex(); }

    int ReadRegister(int address) {
        Usable();
        CheckAddress(address);
        return Released([&] { return app::ReadRegisterWord(dig_, static_cast<uint8_t>(address)); });
    }

    void WriteRegister(int address, long word, bool allowSsi) {
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
        const bool held = Released(
            [&] { return app::WriteRegisterWord(dig_, static_cast<uint8_t>(address), value); });
        if (!held) {
            const int read = dig_.Slot(static_cast<uint16_t>(address)).DevValue;
            char message[96];
            std::snprintf(message, sizeof message, "register %d: wanted 0x%04X, read 0x%04X",
                          address, value, read);
            Raise("VerifyError", std::string(message), address, word, read, py::none());
        }
    }

    int ReadField(const std::string& key) {
        Usable();
        const app::ConfigField& field = FieldNamed(key);
        const uint16_t word = Released([&] { return app::ReadRegisterWord(dig_, field.reg); });
        return app::Decode(field, word);
    }

    void WriteField(const std::string& key, long value, bool allowSsi) {
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
            Released([&] { return app::ReadRegisterWord(dig_, field.reg); });
            const std::vector<app::FieldValue> values{{&field, static_cast<int32_t>(value)}};
            if (const auto refusal = app::SsiWriteRefusal(dig_, values)) {
                Raise("SsiModeError", *refusal + " (allow_ssi=True writes it anyway)");
            }
        }
        uint16_t data = app::Encode(field, static_cast<int32_t>(value));
        const uint8_t result = Released([&] {
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

    py::dict Status() {
        Usable();
        const uint16_t word = Released([&] { return app::ReadRegisterWord(dig_, 32); });
        py::dict flags;
        for (const app::StatusFlag& flag : app::kStatusFlags) {
            flags[py::str(std::string(flag.name))] = ((word >> flag.bit) & 1) != 0;
        }
        return flags;
    }

    uint32_t Identifier() {
        Usable();
        const std::string text = Released([&] { return app::ReadChipId(dig_); });
        return static_cast<uint32_t>(std::stoul(text.substr(1), nullptr, 16));
    }

    void SetIdentifier(long long identifier) {
        Usable();
        if (identifier < 0 || identifier > 0xFFFFFFFFLL) {
            throw py::value_error("the chip identifier is 32 bits: 0..4294967295");
        }
        Released(
            [&] { app::WriteChipId(dig_, app::ChipIdText(static_cast<uint32_t>(identifier))); });
    }

    void SaveConfig(const std::string& path) {
        Usable();
        const std::string text =
            Released([&] { return app::ChipConfigurationText(dig_, QX_VERSION); });
        std::string error;
        if (!app::SaveConfigurationFile(chip::PathFromUtf8(path), text, error)) {
            Raise("ConfigFileError", error, py::list());
        }
    }

    /// Writes a file's configuration as -loadconfig does: {verified, unchanged, mismatched
    /// [(key, wanted, read)], ssi_switched}.
    py::dict LoadConfig(const std::string& path) {
        Usable();
        const std::vector<app::FieldValue> values = Parsed(path);
        app::HeadlessFieldControls controls;
        app::WriteAllJob write(controls, values);
        Released([&] {
            // The words the chip holds first: a field it already holds is not written at all.
            app::ReadConfigurationGroups(dig_, controls);
        });
        if (const auto refusal = app::SsiWriteRefusal(dig_, values)) {
            Raise("SsiModeError", *refusal);
        }
        Released([&] { app::JobRunner(write).RunAll(dig_); });
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

    /// The file's values against what the chip holds, nothing written: {equal, different
    /// [(key, file, chip)]}.
    py::dict CompareConfig(const std::string& path) {
        Usable();
        const std::vector<app::FieldValue> values = Parsed(path);
        app::HeadlessFieldControls controls;
        Released([&] { app::ReadConfigurationGroups(dig_, controls); });
        const std::vector<app::FieldValue> held = app::ValuesOfControls(controls).values;
        int equal = 0;
        py::list different;
        for (const app::FieldValue& value : values) {
            const app::FieldValue* chipValue = app::FindValue(held, value.field->key);
            if (chipValue != nullptr && chipValue->value == value.value) {
                ++equal;
            } else {
                different.append(py::make_tuple(
                    std::string(value.field->key), value.value,
                    chipValue ? py::int_(chipValue->value) : py::object(py::none())));
            }
        }
        py::dict report;
        report["equal"] = equal;
        report["different"] = different;
        return report;
    }

    /// n angle words: their times, the words, each read alone (no pause).
    py::tuple ReadAngles(long n, double interval) {
        Usable();
        CheckCount(n, interval);
        py::array_t<double> time(n);
        py::array_t<uint16_t> word(n);
        auto t = time.mutable_unchecked<1>();
        auto w = word.mutable_unchecked<1>();
        for (long i = 0; i < n; ++i) {
            if (i > 0 && interval > 0) Wait(interval);
            const auto [seconds, sample] = Released([&] {
                const double at = clock_.Seconds();
                return std::pair{at, app::ReadAngleSample(dig_)};
            });
            t(i) = seconds;
            w(i) = sample.AData;
            if (PyErr_CheckSignals() != 0) throw py::error_already_set();
        }
        return py::make_tuple(time, word);
    }

    /// n X-Y readings: their times, X and Y.
    py::tuple ReadSignals(long n, double interval) {
        Usable();
        CheckCount(n, interval);
        py::array_t<double> time(n);
        py::array_t<int32_t> x(n), y(n);
        auto t = time.mutable_unchecked<1>();
        auto xs = x.mutable_unchecked<1>();
        auto ys = y.mutable_unchecked<1>();
        for (long i = 0; i < n; ++i) {
            if (i > 0 && interval > 0) Wait(interval);
            const auto [seconds, point] = Released([&] {
                const double at = clock_.Seconds();
                return std::pair{at, app::ReadXYPoint(dig_)};
            });
            t(i) = seconds;
            xs(i) = point.X;
            ys(i) = point.Y;
            if (PyErr_CheckSignals() != 0) throw py::error_already_set();
        }
        return py::make_tuple(time, x, y);
    }

  private:
    /// A configuration file's values, or ConfigFileError with every fault (as -loadconfig
    /// names them) and SsiModeError for a file that sets SSI_MODE.
    static std::vector<app::FieldValue> Parsed(const std::string& path) {
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

    void Usable() const {
        if (!open_) Raise("AdapterError", "the chip's channel is closed");
    }
    static void CheckAddress(int address) {
        if (address < 0 || address >= chip::kRegisterCount) {
            throw py::value_error("a register address is 0..39, not " + std::to_string(address));
        }
    }
    static void CheckCount(long n, double interval) {
        if (n < 0) throw py::value_error("the number of readings is not negative");
        if (!(interval >= 0)) throw py::value_error("the interval is 0 or more seconds");
    }

    chip::Adapter adapter_;
    chip::TASensDig dig_;
    app::RecordingClock clock_;
    bool open_ = false;
};

/// The angle statistics of the page over codes (13 bits) read at times (seconds).
py::dict AngleStats(const py::array_t<uint16_t, py::array::c_style | py::array::forcecast>& codes,
                    const py::array_t<double, py::array::c_style | py::array::forcecast>& seconds,
                    double intervalMs) {
    if (codes.ndim() != 1 || seconds.ndim() != 1 || codes.size() != seconds.size()) {
        throw py::value_error("the codes and their times are two arrays of one length");
    }
    app::AngleStatistics stats;
    stats.Reset(intervalMs);
    const auto c = codes.unchecked<1>();
    const auto t = seconds.unchecked<1>();
    for (py::ssize_t i = 0; i < c.shape(0); ++i) stats.Add(c(i), t(i) * 1000.0);
    const app::AngleSummary a = stats.Summary();
    py::dict summary;
    summary["count"] = a.count;
    summary["mean_code"] = a.meanCode;
    summary["mean_degrees"] = a.meanCode * app::kDegreesPerCode;
    summary["sigma_codes"] = a.sigmaCodes;
    summary["peak_to_peak_codes"] = a.peakToPeakCodes;
    summary["effective_bits"] = a.effectiveBits;
    summary["noise_free_bits"] = a.noiseFreeBits;
    summary["rate_hz"] = a.rateHz;
    summary["late"] = a.late;
    // A turning magnet: the noise figures mean nothing, and the speed says so.
    summary["rpm"] = a.rpm ? py::object(py::float_(*a.rpm)) : py::object(py::none());
    return summary;
}

/// The ellipse through X-Y points, as the X-Y page fits it; times (seconds) and the skew
/// between the two channels' reads correct the phase for a turning magnet.
py::dict FitEllipse(const py::array_t<double, py::array::c_style | py::array::forcecast>& x,
                    const py::array_t<double, py::array::c_style | py::array::forcecast>& y,
                    const py::object& seconds, double skewSeconds) {
    if (x.ndim() != 1 || y.ndim() != 1 || x.size() != y.size()) {
        throw py::value_error("x and y are two arrays of one length");
    }
    app::LissajousFit fit;
    const auto xs = x.unchecked<1>();
    const auto ys = y.unchecked<1>();
    if (seconds.is_none()) {
        for (py::ssize_t i = 0; i < xs.shape(0); ++i) fit.Add(xs(i), ys(i));
    } else {
        const auto times =
            seconds.cast<py::array_t<double, py::array::c_style | py::array::forcecast>>();
        if (times.ndim() != 1 || times.size() != x.size()) {
            throw py::value_error("the times are one per point");
        }
        const auto t = times.unchecked<1>();
        for (py::ssize_t i = 0; i < xs.shape(0); ++i) fit.AddTimed(xs(i), ys(i), t(i), skewSeconds);
    }
    app::FitShortfall why = app::FitShortfall::None;
    const std::optional<app::LissajousResult> r = fit.Fit(&why);
    if (!r) {
        switch (why) {
            case app::FitShortfall::TooFewPoints:
                throw py::value_error("too few points for a fit: at least " +
                                      std::to_string(app::LissajousFit::kMinPoints));
            case app::FitShortfall::TooLittleTurn:
                throw py::value_error("the points cover less than " +
                                      std::to_string(app::LissajousFit::kMinCoverageDegrees) +
                                      " degrees of the circle: turn the magnet further");
            default:
                throw py::value_error("the points lie on no ellipse");
        }
    }
    const bool trusted = r->withdrawn == app::LissajousResult::Withdrawn::None;
    auto budget = [trusted](double value) {
        return trusted ? py::object(py::float_(value)) : py::object(py::none());
    };
    py::dict result;
    result["centre"] = py::make_tuple(r->offsetX, r->offsetY);
    result["amplitudes"] = py::make_tuple(r->amplitudeX, r->amplitudeY);
    result["mismatch_percent"] = r->mismatchPercent;
    result["phase_degrees"] = budget(r->phaseDegrees);
    result["rms_distance"] = r->rmsDistance;
    result["offset_error_degrees"] = budget(r->offsetErrorDegrees);
    result["mismatch_error_degrees"] = budget(r->mismatchErrorDegrees);
    result["phase_error_degrees"] = budget(r->phaseErrorDegrees);
    result["total_error_degrees"] = budget(r->totalErrorDegrees);
    result["turn_degrees_per_second"] = r->turnDegreesPerSecond;
    // Why the phase and the budget are None: a clipped channel, or a speed that cannot be told.
    result["withdrawn"] = r->withdrawn == app::LissajousResult::Withdrawn::Clipped ? "clipped"
                          : r->withdrawn == app::LissajousResult::Withdrawn::SkewUnknown
                              ? "skew unknown"
                              : "";
    return result;
}

}  // namespace

PYBIND11_MODULE(_core, m) {
    m.doc() = "The compiled core of the qx5520 module; use the package qx5520.";
    m.def("bind_library", &BindLibrary, py::arg("path"),
          "Binds the adapter library at path for this process (AdapterError when it is missing "
          "or incomplete, or when another one serves open chips).");
    m.def(
        "bound_library", [] { return BoundLibrary(); }, "The adapter library bound, or ''.");
    m.def(
        "field_table",
        [] {
            py::list rows;
            for (const app::ConfigField& field : app::kConfigFields) {
                rows.append(py::make_tuple(std::string(field.key), field.reg, field.mask,
                                           field.width, field.kind == app::FieldKind::Display));
            }
            return rows;
        },
        "Every field of the chip: (key, register, mask, width, read-only).");

    m.def("angle_stats", &AngleStats, py::arg("codes"), py::arg("seconds"), py::arg("interval_ms"));
    m.def("fit_ellipse", &FitEllipse, py::arg("x"), py::arg("y"), py::arg("seconds"),
          py::arg("skew_seconds"));

    py::class_<Chip>(m, "Chip")
        .def(py::init<uint32_t, const std::string&, uint32_t>(), py::arg("clock_hz"),
             py::arg("serial"), py::arg("channel"))
        .def("close", &Chip::Close)
        .def_property_readonly("closed", &Chip::Closed)
        .def_property_readonly("channel_index", &Chip::ChannelIndex)
        .def("read_register", &Chip::ReadRegister, py::arg("address"))
        .def("write_register", &Chip::WriteRegister, py::arg("address"), py::arg("word"),
             py::arg("allow_ssi") = false)
        .def("read_field", &Chip::ReadField, py::arg("key"))
        .def("write_field", &Chip::WriteField, py::arg("key"), py::arg("value"),
             py::arg("allow_ssi") = false)
        .def("status", &Chip::Status)
        .def("read_identifier", &Chip::Identifier)
        .def("write_identifier", &Chip::SetIdentifier, py::arg("identifier"))
        .def("save_config", &Chip::SaveConfig, py::arg("path"))
        .def("load_config", &Chip::LoadConfig, py::arg("path"))
        .def("compare_config", &Chip::CompareConfig, py::arg("path"))
        .def("read_angle_words", &Chip::ReadAngles, py::arg("n"), py::arg("interval"))
        .def("read_xy", &Chip::ReadSignals, py::arg("n"), py::arg("interval"));
}
