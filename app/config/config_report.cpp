#include "app/config/config_report.h"

#include "app/config/chip_id.h"
#include "app/config/integer_text.h"
#include "chip/ASens_Digital.h"

namespace app {

std::vector<std::string> MismatchLines(const WriteSummary& summary) {
    std::vector<std::string> lines;
    for (const FieldMismatch& mismatch : summary.mismatched) {
        lines.push_back(std::string(mismatch.field->key) + ": wanted " +
                        std::to_string(mismatch.wanted) + ", read " +
                        std::to_string(mismatch.held));
    }
    return lines;
}

std::string WithLines(const std::string& heading, const std::vector<std::string>& lines) {
    std::string text = heading;
    for (const std::string& line : lines) text += '\n' + line;
    return text;
}

std::string WriteAllReport(const RegisterMapTexts& texts, const WriteSummary& summary) {
    std::string text =
        WithLines(FillIn(texts.vWriteAllSummary,
                         {std::to_string(summary.verified), std::to_string(summary.unchanged),
                          std::to_string(summary.mismatched.size())}),
                  MismatchLines(summary));
    if (summary.ssiSwitched) text += '\n' + texts.vSsiSwitched;
    return text;
}

std::string CompareReport(const RegisterMapTexts& texts, const CompareJob& compare) {
    std::vector<std::string> lines;
    for (const FieldDifference& difference : compare.Different()) {
        lines.push_back(std::string(difference.field->key) + ": " + difference.shown + " / " +
                        std::to_string(difference.held));
    }
    return WithLines(FillIn(texts.vCompareSummary, {std::to_string(compare.Equal()),
                                                    std::to_string(compare.Different().size())}),
                     lines);
}

std::string StoppedNote(const RegisterMapTexts& texts, bool complete, size_t done, size_t steps) {
    if (complete) return {};
    return '\n' + FillIn(texts.vStoppedEarly, {std::to_string(done), std::to_string(steps)});
}

std::string ChipIdForConfiguration(const chip::TASensDig* chip, std::string_view shown) {
    const chip::RegisterSlot high = chip ? chip->Slot(kChipIdHighRegister) : chip::RegisterSlot{};
    const chip::RegisterSlot low = chip ? chip->Slot(kChipIdLowRegister) : chip::RegisterSlot{};
    if (high.Actual && low.Actual) {
        return ChipIdText(static_cast<uint32_t>(high.DevValue) << 16 | low.DevValue);
    }
    if (const auto id = ParseIntegerText(shown)) return ChipIdText(static_cast<uint32_t>(*id));
    return {};
}

}  // namespace app
