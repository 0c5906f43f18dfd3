// A configuration between the chip and a file, as the batch mode and scripts do it: what the
// chip holds read group by group, saved with its identifier; a file's values checked and
// written into the chip.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "app/config/config_file.h"
#include "app/config/param_groups.h"

namespace chip {
class TASensDig;
}

namespace app {

/// Reads groups 1 to 4 into the controls, as the window's Read buttons do. Throws
/// TransferFailure when the adapter did not complete a read.
void ReadConfigurationGroups(chip::TASensDig& chip, HeadlessFieldControls& controls);

/// The text of a configuration file of what the chip holds, with its identifier (both read
/// from the chip) and the version of the tool that saved it. Throws TransferFailure.
std::string ChipConfigurationText(chip::TASensDig& chip, const std::string& toolVersion);

/// Why a file's values are not to be written: its SSI_MODE=1 ("<file>: SSI_MODE=1 switches
/// the chip's interface to SSI, …; nothing done"); nullopt when it does not set it.
std::optional<std::string> FileSsiRefusal(const std::string& fileName,
                                          const std::vector<FieldValue>& values);

}  // namespace app
