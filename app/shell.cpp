#include "app/shell.h"

#include <cstdio>

#include "app/analysis/accuracy_recording.h"
#include "app/batch/batch.h"
#include "app/config/integer_text.h"
#include "app/files/settings.h"
#include "app/readings/identification.h"
#include "app/readings/transfer_check.h"
#include "chip/UnitFTDI.h"
#include "chip/utf8_path.h"

namespace app {
namespace {

constexpr const char* kBatchSwitches[] = {"-asens",      "-setparam",   "-asensangle",
                                          "-saveconfig", "-loadconfig", "-capture"};

std::string Argument(const std::vector<std::string>& args, size_t index) {
    return index < args.size() ? args[index] : std::string();
}

}  // namespace

bool IsBatchCommandLine(const std::vector<std::string>& args) {
    if (args.size() < 2) return false;
    for (const char* name : kBatchSwitches) {
        if (args[0] == name) return true;
    }
    return false;
}

std::string ExecutableDirectory() {
    const std::filesystem::path directory = chip::ExecutablePath().parent_path();
    return chip::Utf8FromPath(directory / "");
}

Shell::Shell(WindowState& window, Folders folders, chip::Clock& clock)
    : window_(window),
      folders_(std::move(folders)),
      clock_(clock),
      // The channel takes its clock rate from EditFreq whenever it is opened.
      adapter_([&window] {
          return static_cast<uint32_t>(IntegerTextOr(window.FreqText(), chip::kFallbackClockRate));
      }) {
    // The adapter among several, before anything lists the channels.
    adapter_.SelectAdapter(AdapterSelection(SettingsPath()));
}

Shell::~Shell() = default;

std::filesystem::path Shell::SettingsPath() const {
    return chip::PathFromUtf8(folders_.settings + kSettingsFileName);
}

void Shell::ReportError(const std::string& message) const {
    if (errorSink_) {
        errorSink_(message);
    } else {
        std::fprintf(stderr, "qx5520: %s\n", message.c_str());
    }
}

std::optional<int> Shell::FormCreate(const std::vector<std::string>& args) {
    window_.SetChartsFileText(folders_.data);
    window_.SetXYFilenameText(folders_.data);
    window_.SetUpDial();
    asensDig_ = std::make_unique<chip::TASensDig>(adapter_, clock_);
    window_.SetChip(asensDig_.get());
    LoadSettings();
    if (args.size() >= 2) {
        if (std::optional<int> code = BatchDispatch(args)) return code;
    }
    window_.LoadLanguage();
    window_.AppendVersionToCaption();
    return std::nullopt;
}

void Shell::FormDestroy() {
    if (asensDig_) asensDig_->CloseSPI();
    window_.SetChip(nullptr);
    asensDig_.reset();
    try {
        SaveSettings();
    } catch (const SettingsWriteError& error) {
        ReportError(error.what());
    }
}

void Shell::LoadSettings() {
    const Settings settings = SettingsFile(SettingsPath()).Load(folders_.data + "data.csv");
    stored_ = settings;
    window_.SetAngleDataFileText(settings.SaveAngleDataFile);
    window_.SetSaveToFileChecked(settings.SaveAngleDataToFile);
    window_.SetSaveChartsToFileChecked(settings.SaveChartDataToFile);
    // Ticking cbConnect here switches the exchange on, as a click does.
    window_.SetConnectChecked(settings.ConnectActive);
    window_.SetSSIOnChecked(settings.Enable_SSI);
}

void Shell::SaveSettings() {
    Settings settings;
    settings.SaveAngleDataFile = window_.AngleDataFileText();
    settings.SaveAngleDataToFile = window_.SaveToFileChecked();
    settings.SaveChartDataToFile = window_.SaveChartsToFileChecked();
    settings.ConnectActive = window_.ConnectChecked();
    settings.Enable_SSI = window_.SSIOnChecked();
    // Only what this process changed overrides the file: a batch run that started before a
    // window saved does not put back the values it loaded.
    SettingsFile(SettingsPath()).Save(settings, stored_ ? &*stored_ : nullptr);
    stored_ = settings;
}

std::optional<int> Shell::BatchDispatch(const std::vector<std::string>& args) {
    chip::TASensDig& chip = *asensDig_;
    const Identification identification = Identify(chip, adapter_);
    const std::string command = Argument(args, 0);
    if (!IsBatchCommandLine(args)) return std::nullopt;

    ErrorSink errors = [this](const std::string& message) { ReportError(message); };
    // A bad operand is reported before the chip's state: it needs no chip to be wrong.
    if (command == "-setparam") {
        if (std::optional<int> code =
                CheckSetParamOperands(Argument(args, 1), Argument(args, 2), errors)) {
            return code;
        }
    }
    CaptureOperands capture;
    if (command == "-capture") {
        const std::vector<std::string> operands(args.begin() + 1, args.end());
        if (std::optional<int> code = CheckCaptureOperands(operands, capture, errors)) {
            return code;
        }
    }
    std::vector<FieldValue> configuration;
    if (command == "-loadconfig") {
        if (std::optional<int> code =
                CheckConfigurationOperand(Argument(args, 1), configuration, errors)) {
            return code;
        }
    }
    if (identification.outcome == IdentifyOutcome::NoChip) {
        errors(identification.cause + "; nothing done");
        return kBatchNoChip;
    }
    if (identification.outcome == IdentifyOutcome::NotIdentified) {
        errors(identification.cause + "; the chip is not identified; nothing done");
        return kBatchNotIdentified;
    }
    if (command == "-asens") return BatchAsens(chip, Argument(args, 1), errors);
    if (command == "-setparam") {
        return BatchSetParam(chip, Argument(args, 1), Argument(args, 2), errors);
    }
    if (command == "-saveconfig") return BatchSaveConfig(chip, Argument(args, 1), errors);
    if (command == "-loadconfig") return BatchLoadConfig(chip, configuration, errors);
    if (command == "-capture") {
        const RecordingClock clock;
        return BatchCapture(
            chip, adapter_, capture, [&clock] { return clock.Seconds(); }, errors,
            [](const std::string& line) { std::printf("%s\n", line.c_str()); });
    }
    return BatchAsensAngle(chip, Argument(args, 1), errors);
}

}  // namespace app
