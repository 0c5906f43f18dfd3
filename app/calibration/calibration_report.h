// What an assistant says when it ends, in the language loaded: what it did or why it did
// not, its figures before and after, the registers it wrote, how sure the figures are and
// how the starting values went back; the live lines under the dialog's label while it runs;
// and the record a user keeps of a calibration.
#pragma once

#include <string>
#include <vector>

#include "app/calibration/calibration.h"
#include "app/config/chip_id.h"
#include "app/lang/language.h"

namespace app {

/// The report of an assistant that has ended, one text of lines. `failure`: the error of a
/// transfer that ended it (the first line; the assistant's own reason is then left out),
/// empty when none did. `fields`: the controls, for the values a field may hold now.
std::string AssistantReport(const Assistant& assistant, const CalibrationTexts& texts,
                            FieldControls& fields, const std::string& failure);

/// The lines under the dialog's label while an assistant runs (each after a line break):
/// Set zero's round of readings, or a turn's live figures and the time left; empty before
/// there are any.
std::string AssistantLiveLines(const Assistant& assistant, const CalibrationTexts& texts);

/// The record of a calibration: its title, the line with the start and the chip, an empty
/// line, then the report's lines.
std::vector<std::string> CalibrationRecordLines(const CalibrationTexts& texts,
                                                const std::string& startedAt, const ChipNote& chip,
                                                const std::string& report);

}  // namespace app
