#include "app/batch/batch.h"

#include <cstdio>

#include "app/batch/headless_window.h"
#include "app/config/chip_configuration.h"
#include "app/config/chip_id.h"
#include "app/config/config_report.h"
#include "app/config/config_workflow.h"
#include "app/config/integer_text.h"
#include "app/files/locked_append.h"
#include "app/readings/chip_readings.h"
#include "app/readings/connection.h"
#include "app/readings/transfer_check.h"
#include "app/version.h"
#include "chip/UnitFTDI.h"
#include "chip/UnitSPI.h"
#include "chip/utf8_path.h"

namespace app {
namespace {

const std::string kTransferFailedNothingDone = std::string(kTransferFailed) + "; nothing done";

bool FileExists(const std::filesystem::path& path) {
    std::error_code ignored;
    return std::filesystem::exists(path, ignored);
}

// An existing file is opened before the chip is read, so a file that cannot be written costs
// no read; a new file is created only once its line is ready, so a run that fails leaves no
// empty file behind.
int AppendLine(chip::TASensDig& chip, const std::string& fileName, const char* header,
               const std::function<std::string()>& readLine, const ErrorSink& errors) {
    std::string error;
    if (fileName.empty()) {
        errors("no output file named");
        return kBatchFileError;
    }
    const std::filesystem::path path = chip::PathFromUtf8(fileName);
    std::optional<BatchFile> file;
    auto open = [&] {
        if (std::optional<BatchFile> opened = BatchFile::Open(path, error)) {
            file.emplace(std::move(*opened));
        }
        return file.has_value();
    };
    const bool existed = FileExists(path);
    if (existed && !open()) {
        errors(error);
        return kBatchFileError;
    }
    const TransferWatch watch(chip);
    std::string line;
    try {
        line = readLine();
    } catch (const TransferFailure&) {
        // Reported below, as every failed transfer of the reading is.
    }
    // A line read through transfers that did not complete holds no reading: an adapter
    // unplugged after the identification must not be logged as a measurement.
    if (watch.Failed()) {
        errors(kTransferFailedNothingDone);
        return kBatchFileError;
    }
    if (!file && !open()) {
        errors(error);
        return kBatchFileError;
    }
    if (!file->AppendRecord(header, line, error)) {
        if (!existed) file->CloseRemovingIfEmpty();
        file.reset();
        errors(error);
        return kBatchFileError;
    }
    return kBatchDone;
}

}  // namespace

std::string FormatAsensLine(uint16_t r34, uint16_t r35, uint16_t r36, uint16_t r37, uint16_t r38) {
    // Registers 34 and 35 are not masked to 13 bits before the sign is taken.
    return std::to_string(Sign13(r34)) + ";" + std::to_string(Sign13(r35)) + ";" +
           std::to_string(r36 & 0x1FFF) + ";" + std::to_string(r37) + ";" + std::to_string(r38);
}

std::string FormatAsensAngleLine(uint16_t angleWord) {
    return AngleLogLine(AngleSampleFromWord(angleWord));
}

int BatchAsens(chip::TASensDig& chip, const std::string& fileName, const ErrorSink& errors) {
    return AppendLine(
        chip, fileName, kAsensHeader,
        [&chip] {
            const ReadoutWords w = ReadReadoutWords(chip);
            return FormatAsensLine(w.r34, w.r35, w.r36, w.r37, w.r38);
        },
        errors);
}

std::optional<int> CheckSetParamOperands(const std::string& addressText,
                                         const std::string& wordText, const ErrorSink& errors) {
    if (addressText.empty() || wordText.empty()) {
        errors("-setparam needs a register address and a register word");
        return kBatchBadOperand;
    }
    const std::optional<int32_t> address = ParseIntegerText(addressText);
    if (!address) {
        errors("register address '" + addressText + "' is not an integer");
        return kBatchBadOperand;
    }
    if (*address < 0 || !chip::IsRegister(static_cast<unsigned>(*address))) {
        errors("register address " + addressText + " is out of range 0-39");
        return kBatchBadOperand;
    }
    const std::optional<int32_t> word = ParseIntegerText(wordText);
    if (!word) {
        errors("register word '" + wordText + "' is not an integer");
        return kBatchBadOperand;
    }
    if (*word < -32768 || *word > 65535) {
        errors("register word " + wordText + " is out of range -32768-65535");
        return kBatchBadOperand;
    }
    return std::nullopt;
}

int BatchSetParam(chip::TASensDig& chip, const std::string& addressText,
                  const std::string& wordText, const ErrorSink& errors) {
    if (std::optional<int> code = CheckSetParamOperands(addressText, wordText, errors)) {
        return *code;
    }
    const auto address = static_cast<uint16_t>(*ParseIntegerText(addressText));
    const auto word = static_cast<uint16_t>(*ParseIntegerText(wordText) & 0xFFFF);
    const TransferWatch watch(chip);
    chip.PutReg(address, word, true);
    if (watch.Failed()) {
        errors(kTransferFailedNothingDone);
        return kBatchFileError;
    }
    return kBatchDone;
}

int BatchAsensAngle(chip::TASensDig& chip, const std::string& fileName, const ErrorSink& errors) {
    return AppendLine(
        chip, fileName, kAsensAngleHeader, [&chip] { return AngleLogLine(ReadAngleSample(chip)); },
        errors);
}

std::optional<int> CheckConfigurationOperand(const std::string& fileName,
                                             std::vector<FieldValue>& values,
                                             const ErrorSink& errors) {
    if (fileName.empty()) {
        errors("no configuration file named");
        return kBatchBadOperand;
    }
    ParsedConfiguration parsed = LoadConfigurationFile(chip::PathFromUtf8(fileName));
    for (const std::string& error : parsed.errors) errors(error);
    if (!parsed.errors.empty()) return kBatchBadOperand;
    if (const std::optional<std::string> refusal = FileSsiRefusal(fileName, parsed.values)) {
        errors(*refusal);
        return kBatchBadOperand;
    }
    values = std::move(parsed.values);
    return std::nullopt;
}

int BatchSaveConfig(chip::TASensDig& chip, const std::string& fileName, const ErrorSink& errors) {
    if (fileName.empty()) {
        errors("no configuration file named");
        return kBatchFileError;
    }
    std::string text;
    try {
        text = ChipConfigurationText(chip, FileVersionString());
    } catch (const TransferFailure&) {
        errors(kTransferFailedNothingDone);
        return kBatchFileError;
    }
    std::string error;
    if (!SaveConfigurationFile(chip::PathFromUtf8(fileName), text, error)) {
        errors(error);
        return kBatchFileError;
    }
    return kBatchDone;
}

int BatchLoadConfig(chip::TASensDig& chip, const std::vector<FieldValue>& values,
                    const ErrorSink& errors) {
    HeadlessFieldControls controls;
    WriteAllJob write(controls, values);
    try {
        // The words the chip holds first: a field it already holds is not written at all.
        ReadConfigurationGroups(chip, controls);
    } catch (const TransferFailure&) {
        errors(kTransferFailedNothingDone);
        return kBatchFileError;
    }
    // A bit the chip reads back (a flipped SSI_MODE) would go out again with the file's other
    // fields of its register, and lock the chip in SSI mode.
    if (const std::optional<std::string> ssi = SsiWriteRefusal(chip, values)) {
        errors(*ssi);
        return kBatchBadOperand;
    }
    try {
        JobRunner(write).RunAll(chip);
    } catch (const TransferFailure&) {
        errors(std::string(kTransferFailed) + "; the configuration is written only in part");
        return kBatchFileError;
    }
    const std::vector<std::string> mismatches = MismatchLines(write.Summary());
    for (const std::string& line : mismatches) errors(line);
    return mismatches.empty() ? kBatchDone : kBatchMismatch;
}

int RunBatch(const std::vector<std::string>& args, const std::string& exePath, chip::Clock& clock,
             const ErrorSink& errors) {
    chip::SetBindingMessageSink(errors);
    HeadlessWindowState window;
    Shell shell(window, ChooseFolders(exePath), clock);
    shell.SetErrorSink(errors);
    // The switch-on of a stored ConnectActive runs the window's own cbConnectClick over a
    // headless view: Init, CheckConnect and, when the chip is identified, groups 1-3 read into
    // field controls that hold their design values.
    HeadlessConnectionView view;
    LanguageTexts texts;
    ConnectionSupervisor supervisor(view, texts);
    window.onConnectClick = [&](bool checked) {
        view.connectChecked = checked;
        if (window.asensDig == nullptr) return;
        try {
            supervisor.cbConnectClick(*window.asensDig);
        } catch (const TransferFailure&) {
            // The batch action's own identification meets the same loss and names it, with
            // the same exit code as without a stored switch-on.
        }
    };

    int code = kBatchDone;
    try {
        code = shell.FormCreate(args).value_or(kBatchDone);
    } catch (const std::exception& error) {
        errors(error.what());
        code = kBatchFileError;
    }
    shell.FormDestroy();
    chip::SetBindingMessageSink(nullptr);
    return code;
}

int RunBatch(const std::vector<std::string>& args) {
    const ErrorSink toStderr = [](const std::string& message) {
        std::fprintf(stderr, "qx5520: %s\n", message.c_str());
        std::fflush(stderr);
    };
    return RunBatch(args, ExecutableDirectory(), chip::SystemClock(), toStderr);
}

}  // namespace app
