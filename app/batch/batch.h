// The three batch actions of the command line. Each returns the process exit code; errors are
// reported through the sink as one line naming the problem, never in a message box.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/config/config_file.h"
#include "app/shell.h"
#include "chip/ASens_Digital.h"

namespace app {

/// Exit codes of a batch run.
enum BatchExit : int {
    kBatchDone = 0,
    kBatchFileError = 1,      // the output file could not be opened, locked or written
    kBatchBadOperand = 2,     // a -setparam operand missing, not an integer or out of range
    kBatchNoChip = 3,         // CheckConnect gave 1: nothing answers
    kBatchNotIdentified = 4,  // CheckConnect gave 2: the chip is not identified
    kBatchMismatch = 5        // -loadconfig: a field read back differently from the file
};

inline constexpr const char* kAsensHeader = "OutY;OutX;Zout;ANGLE_OUT;AMPLITUDE";
inline constexpr const char* kAsensAngleHeader =
    "Data(hex);ANGLE_DIG_CORR_OUT[12:0];ADC;LOW_SPEED;CRC";

/// The data line of -asens from registers 34-38 (without line end).
std::string FormatAsensLine(uint16_t r34, uint16_t r35, uint16_t r36, uint16_t r37, uint16_t r38);
/// The data line of -asensangle from the angle word (without line end).
std::string FormatAsensAngleLine(uint16_t angleWord);

/// Reads registers 34-38 and appends one line to fileName (header first when the file is
/// missing or empty).
int BatchAsens(chip::TASensDig& chip, const std::string& fileName, const ErrorSink& errors);
/// Checks the two operands of -setparam: returns kBatchBadOperand (with a message) when one
/// is missing, not an integer text, or out of range; nullopt when both are good.
std::optional<int> CheckSetParamOperands(const std::string& addressText,
                                         const std::string& wordText, const ErrorSink& errors);
/// Writes one register: address 0-39, word -32768..65535, both integer texts.
int BatchSetParam(chip::TASensDig& chip, const std::string& addressText,
                  const std::string& wordText, const ErrorSink& errors);
/// Reads the angle word once and appends one line to fileName.
int BatchAsensAngle(chip::TASensDig& chip, const std::string& fileName, const ErrorSink& errors);

/// Checks the configuration file of -loadconfig before anything reaches the chip: returns
/// kBatchBadOperand (every fault named) when the file cannot be read, holds an unknown key,
/// a value that is not an integer or does not fit its field, or sets SSI_MODE; nullopt with
/// the values in values when it can be applied.
std::optional<int> CheckConfigurationOperand(const std::string& fileName,
                                             std::vector<FieldValue>& values,
                                             const ErrorSink& errors);
/// -saveconfig: reads groups 1-4 and the chip identifier, then replaces fileName with the
/// configuration file. kBatchFileError when the file cannot be written or a transfer failed.
int BatchSaveConfig(chip::TASensDig& chip, const std::string& fileName, const ErrorSink& errors);
/// -loadconfig with values checked by CheckConfigurationOperand: reads groups 1-4, then writes
/// every field of the file with verification as the window's Write all does (a field the
/// file leaves out is not written; one the chip already holds is not written either). kBatchDone
/// when every field verified or was unchanged; kBatchMismatch, each such field named with its
/// wanted and read values, when any field reads back differently; kBatchFileError when a transfer
/// failed.
int BatchLoadConfig(chip::TASensDig& chip, const std::vector<FieldValue>& values,
                    const ErrorSink& errors);

inline constexpr const char* kCaptureHeader = "seconds;angle word";
/// The SPI clock of -capture unless one is given (the other actions keep the window's), and
/// the most it takes (the H series' fastest).
inline constexpr uint32_t kCaptureClockHz = 1'000'000;
inline constexpr uint32_t kMaxCaptureClockHz = 30'000'000;

struct CaptureOperands {
    size_t count = 0;
    std::string file;
    uint32_t clockHz = kCaptureClockHz;
};

/// Checks the operands of -capture (N FILE [CLOCK_HZ]): kBatchBadOperand with a message when
/// one is missing or out of range.
std::optional<int> CheckCaptureOperands(const std::vector<std::string>& operands,
                                        CaptureOperands& checked, const ErrorSink& errors);
/// The capture file: the header, then one line per reading, its seconds after the first
/// reading with nine decimals and the angle word as four upper-case hex digits, CR LF each.
std::string CaptureFileText(const class AngleCapture& capture);
/// Reads the angle word `count` times at the bus's speed with the SPI clock given and writes
/// the capture file whole (a file that was there is replaced). `says` gets the line on how it
/// read and the rate. kBatchFileError when the clock could not be set, the adapter stopped
/// (what was read is still written) or the file could not be written.
int BatchCapture(chip::TASensDig& chip, chip::Adapter& adapter, const CaptureOperands& operands,
                 const std::function<double()>& now, const ErrorSink& errors,
                 const ErrorSink& says);

/// Runs the whole batch mode of main: a headless window state, FormCreate with the batch
/// dispatch, FormDestroy. args is argv without argv[0]; exePath is ExePath (config.ini lives
/// there). Binding messages and errors go to errors. Returns the exit code.
int RunBatch(const std::vector<std::string>& args, const std::string& exePath, chip::Clock& clock,
             const ErrorSink& errors);
/// The same beside the running executable, with the real clock, errors on stderr.
int RunBatch(const std::vector<std::string>& args);

}  // namespace app
