// What the register map says after a job or a file: Write all's summary with the fields the
// chip holds differently, Compare's differences, a job stopped early, a file loaded or
// refused; and which chip identifier a saved configuration names.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "app/config/config_workflow.h"
#include "app/lang/language.h"

namespace chip {
class TASensDig;
}

namespace app {

/// "GA_X: wanted 12, read 8", one line per field the chip holds differently.
std::vector<std::string> MismatchLines(const WriteSummary& summary);

/// A heading and its lines, one text.
std::string WithLines(const std::string& heading, const std::vector<std::string>& lines);

/// Write all's summary: the counts, each mismatch, and that SSI_MODE was written.
std::string WriteAllReport(const RegisterMapTexts& texts, const WriteSummary& summary);
/// Compare's summary: the counts and each field that differs ("GA_X: 3 / 5", shown / held).
std::string CompareReport(const RegisterMapTexts& texts, const CompareJob& compare);
/// After a job that did not run to its end: a line break and "Stopped after done of steps
/// steps"; empty for a complete job.
std::string StoppedNote(const RegisterMapTexts& texts, bool complete, size_t done, size_t steps);

/// The chip identifier a saved configuration names: the one the chip holds when the tool has
/// read it since connecting, else the one shown (when it is an integer), else none (empty).
std::string ChipIdForConfiguration(const chip::TASensDig* chip, std::string_view shown);

}  // namespace app
