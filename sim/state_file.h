// The register file kept between processes, so that a batch write is seen by the next run.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <tuple>

#include "sim/chip_model.h"

namespace sim {

/// Reads a state file. No file, or an empty one (its first write is under way): nullopt
/// without a complaint. A damaged file: nullopt and one line in `error`.
std::optional<ChipModel::RegisterFile> ReadState(const std::string& path, std::string& error);

/// Which registers of a register file a process has changed.
using RegisterMarks = std::array<bool, std::tuple_size_v<ChipModel::RegisterFile>>;

/// Puts the registers `changed` marks into the state file and keeps every other one as the
/// file has it, so that processes working side by side on one virtual chip lose none of each
/// other's writes (no file, or a damaged one, takes them all from `registers`). One step
/// under the lock of the tool's own rewrite: another process never reads half a file.
/// Returns the register file now stored; on failure nothing, with one line in `error`.
std::optional<ChipModel::RegisterFile> UpdateState(const std::string& path,
                                                   const ChipModel::RegisterFile& registers,
                                                   const RegisterMarks& changed,
                                                   std::string& error);

/// A chip's registers kept in its state file: read when its channel opens, written again
/// after each write the chip took. Does nothing without a path; a problem goes to complain
/// as one line.
class KeptState {
  public:
    using Complaint = std::function<void(const std::string& line)>;

    /// Loads the file into chip; no file (or a damaged one) gives a freshly reset chip.
    void Open(const std::string& path, ChipModel& chip, const Complaint& complain);
    /// Writes the registers this chip changed when it took a write since the last time; the
    /// others stay as the file has them (another process may have written them meanwhile).
    void Save(const std::string& path, const ChipModel& chip, const Complaint& complain);

  private:
    uint64_t savedWrites_ = 0;        // accepted writes already in the file
    ChipModel::RegisterFile kept_{};  // the registers as last read or written
};

}  // namespace sim
