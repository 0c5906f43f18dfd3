// The tool's version as the executable's own file records it.
#pragma once

#include <cstdint>
#include <string>

namespace app {

/// Four numbers written "major.minor.release.build", decimal, without leading zeros.
std::string FormatVersion(uint16_t major, uint16_t minor, uint16_t release, uint16_t build);

/// The file version of the running executable, e.g. "1.0.3.0", read from the executable's
/// file (its version resource on Windows, its version record section on Linux). Throws
/// std::runtime_error with the reason when the version cannot be read, in one sentence that
/// names the executable by its real path.
std::string FileVersionString();

/// The file version recorded in the given executable file; throws as above.
std::string FileVersionString(const std::string& executablePath);

}  // namespace app
