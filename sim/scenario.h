// Reading a scenario file of the virtual chip: INI text in, settings and complaints out.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "sim/settings.h"

namespace sim {

struct ScenarioResult {
    Settings settings;                // defaults where the text says nothing usable
    std::vector<std::string> errors;  // one line per key ignored, naming file, key and value
};

/// Reads the `[sim]` section of an INI text. Never throws; a bad key or value is reported
/// and ignored, the other keys still apply. `fileName` only names the file in the lines.
ScenarioResult ParseScenario(std::string_view text, std::string_view fileName);

/// Reads the file and parses it; a file that cannot be read gives one line and defaults.
ScenarioResult LoadScenario(const std::string& path);

/// Reads a decimal or 0x-prefixed hexadecimal unsigned number, the whole text (surrounding
/// blanks allowed) or nothing.
bool ParseUnsigned(std::string_view text, uint64_t& value);

}  // namespace sim
