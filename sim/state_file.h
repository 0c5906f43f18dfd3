// The register file kept between processes, so that a batch write is seen by the next run.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "sim/chip_model.h"

namespace sim {

/// Reads a state file. No file: nullopt without a complaint. A damaged file: nullopt and
/// one line in `error`.
std::optional<ChipModel::RegisterFile> ReadState(const std::string& path, std::string& error);

/// Writes the state as one step (the rewrite the tool's own files use), so that another
/// process never reads half a file. On failure returns false with one line in `error`.
bool WriteState(const std::string& path, const ChipModel::RegisterFile& registers,
                std::string& error);

/// A chip's registers kept in its state file: read when its channel opens, written again
/// after each write the chip took. Does nothing without a path; a problem goes to complain
/// as one line.
class KeptState {
  public:
    using Complaint = std::function<void(const std::string& line)>;

    /// Loads the file into chip; no file (or a damaged one) gives a freshly reset chip.
    void Open(const std::string& path, ChipModel& chip, const Complaint& complain);
    /// Writes the registers when the chip took a write since the last time.
    void Save(const std::string& path, const ChipModel& chip, const Complaint& complain);

  private:
    uint64_t savedWrites_ = 0;  // accepted writes already in the file
};

}  // namespace sim
