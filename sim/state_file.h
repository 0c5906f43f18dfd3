// The register file kept between processes, so that a batch write is seen by the next run.
#pragma once

#include <optional>
#include <string>

#include "sim/chip_model.h"

namespace sim {

/// Reads a state file. No file: nullopt without a complaint. A damaged file: nullopt and
/// one line in `error`.
std::optional<ChipModel::RegisterFile> ReadState(const std::string& path, std::string& error);

/// Writes the state through a temporary file renamed over the old one, so that another
/// process never reads half a file. On failure returns false with one line in `error`.
bool WriteState(const std::string& path, const ChipModel::RegisterFile& registers,
                std::string& error);

}  // namespace sim
