// Keeping a configuration and putting it back: the settable fields taken from and put into
// the field controls, configuration files read and written whole, and the three whole-chip
// operations of the register map (read every register, write every field, compare every
// field) as jobs of one short step each, so that a window can run them tick by tick and a
// batch run in one go.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "app/config/config_file.h"
#include "app/config/field_controls.h"
#include "app/config/param_groups.h"
#include "chip/ASens_Digital.h"

namespace app {

/// The settable fields as their controls show them, in the field table's order; errors
/// names every control whose text is no value of its field (then values lacks that field).
struct ControlValues {
    std::vector<FieldValue> values;
    std::vector<std::string> errors;
};
ControlValues ValuesOfControls(FieldControls& controls);

/// Puts the values into their controls; a control whose value changes is painted grey (as
/// typing paints it), the others keep their colour. Nothing goes to the chip. Returns how
/// many changed.
int ApplyValues(const std::vector<FieldValue>& values, FieldControls& controls);

/// The value of field in values, if it is there.
const FieldValue* FindValue(const std::vector<FieldValue>& values, std::string_view key);

/// A configuration is about a kilobyte: a file past 1 MiB is some other file.
inline constexpr std::uintmax_t kMaxConfigurationBytes = 1u << 20;

/// Why path cannot be a configuration file, named as what it is (missing, a folder, a pipe, a
/// device, a loop of links, over 1 MiB); nullopt for a regular file within the limit.
std::optional<std::string> NotAConfigurationFile(const std::filesystem::path& path);

/// Reads and checks a configuration file: errors names the file when it cannot be read.
ParsedConfiguration LoadConfigurationFile(const std::filesystem::path& path);

/// Replaces the file with text in one step (a temporary file renamed over it). Returns false,
/// with error naming the file, when it cannot; an existing file is then left as it was.
bool SaveConfigurationFile(const std::filesystem::path& path, const std::string& text,
                           std::string& error);

/// A chip operation cut into short steps: each step is one register read or one field's
/// write-verify. Finish runs once, after the last step or when the job is stopped early.
class ChipJob {
  public:
    virtual ~ChipJob() = default;
    virtual size_t StepCount() const = 0;
    /// Runs step index (0 .. StepCount()-1). Throws TransferFailure when the adapter did not
    /// complete a transfer; the job is then over (Finish still runs).
    virtual void Step(chip::TASensDig& chip, size_t index) = 0;
    virtual void Finish() {}
};

/// Runs a job's steps one at a time.
class JobRunner {
  public:
    explicit JobRunner(ChipJob& job) : job_(job) {}
    /// Runs the next step; returns true when the job is over (Finish has run). An exception
    /// of a step ends the job (Finish runs) and goes on to the caller.
    bool Tick(chip::TASensDig& chip);
    /// Ends the job after the steps run so far (Finish runs once).
    void Stop();
    /// Every step in one go (batch mode).
    void RunAll(chip::TASensDig& chip);
    size_t Done() const { return next_; }
    bool Over() const { return over_; }

  private:
    void End();
    ChipJob& job_;
    size_t next_ = 0;
    bool over_ = false;
};

/// Reads every register 0-39 from the chip (one per step). At the end, every field of the
/// registers read shows its value and turns green, as after a group read; the fields of a
/// register whose read did not complete turn red.
class ReadAllJob final : public ChipJob {
  public:
    explicit ReadAllJob(FieldControls& controls) : controls_(controls) {}
    size_t StepCount() const override { return chip::kRegisterCount; }
    void Step(chip::TASensDig& chip, size_t index) override;
    void Finish() override;

  private:
    FieldControls& controls_;
    std::array<uint16_t, chip::kRegisterCount> words_{};
    std::array<bool, chip::kRegisterCount> read_{};
};

/// Writes the values (one field per step) through their controls with the group write's
/// verify and colours: each step puts its value into the control and writes it, so what is
/// typed meanwhile does not change what is written. Groups 1 to 4 in each group's write
/// order, except SSI_MODE, which goes last: once the chip's interface is SSI, no later field
/// would reach it.
class WriteAllJob final : public ChipJob {
  public:
    WriteAllJob(FieldControls& controls, std::vector<FieldValue> values);
    size_t StepCount() const override { return values_.size(); }
    void Step(chip::TASensDig& chip, size_t index) override;
    const WriteSummary& Summary() const { return summary_; }

  private:
    FieldControls& controls_;
    std::vector<FieldValue> values_;
    WriteSummary summary_;
};

/// True when writing values over the words the chip last answered (its register cache, after
/// a read) sends a word with SSI_MODE set, whatever set the bit: the values or a bit the chip
/// read back. Each field is its own write of the whole word, SSI_MODE last, so a field written
/// before SSI_MODE = 0 still sends a bit read back; a word the chip already holds is not sent.
bool SendsSsiMode(const chip::TASensDig& chip, const std::vector<FieldValue>& values);

/// Why writing values would send SSI_MODE (see SendsSsiMode); nullopt when no such word is
/// sent.
std::optional<std::string> SsiWriteRefusal(const chip::TASensDig& chip,
                                           const std::vector<FieldValue>& values);

/// A field whose control shows something else than the chip holds.
struct FieldDifference {
    const ConfigField* field;
    std::string shown;  // the control's value as text
    uint16_t held;
};

/// Reads the registers the settable fields live in (one per step) and, at the end, paints
/// every settable field green when its control shows what the chip holds, red otherwise. No
/// control changes its value and nothing is written.
class CompareJob final : public ChipJob {
  public:
    explicit CompareJob(FieldControls& controls);
    size_t StepCount() const override { return registers_.size(); }
    void Step(chip::TASensDig& chip, size_t index) override;
    void Finish() override;
    int Equal() const { return equal_; }
    const std::vector<FieldDifference>& Different() const { return different_; }
    /// True when every register was read (a stopped or failed job compares what it read).
    bool Complete() const;

  private:
    FieldControls& controls_;
    std::vector<uint8_t> registers_;
    std::array<uint16_t, chip::kRegisterCount> words_{};
    std::array<bool, chip::kRegisterCount> read_{};
    int equal_ = 0;
    std::vector<FieldDifference> different_;
};

/// Writes one whole register word and reads it back: true when the chip holds the word.
/// Throws TransferFailure when a transfer did not complete.
bool WriteRegisterWord(chip::TASensDig& chip, uint8_t address, uint16_t word);

/// What a register holds, for the register map: its fields with their bits
/// ("GA_X [15:11], OA_X [10:5]"), else what the register table says of it.
std::string RegisterContents(uint8_t address);

}  // namespace app
