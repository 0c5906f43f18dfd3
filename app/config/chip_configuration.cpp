#include "app/config/chip_configuration.h"

#include "app/config/chip_id.h"
#include "app/config/config_workflow.h"
#include "app/lang/language.h"

namespace app {

void ReadConfigurationGroups(chip::TASensDig& chip, HeadlessFieldControls& controls) {
    HeadlessBusyMessage busy;
    for (int group = 1; group <= kGroupCount; ++group) {
        ReadParamGroup(chip, group, controls, busy, LanguageTexts{});
    }
}

std::string ChipConfigurationText(chip::TASensDig& chip, const std::string& toolVersion) {
    HeadlessFieldControls controls;
    ReadConfigurationGroups(chip, controls);
    const ConfigurationOrigin origin{toolVersion, LocalDateTimeText(), ReadChipId(chip)};
    return ConfigurationText(ValuesOfControls(controls).values, origin);
}

std::optional<std::string> FileSsiRefusal(const std::string& fileName,
                                          const std::vector<FieldValue>& values) {
    const FieldValue* ssi = FindValue(values, "SSI_MODE");
    if (ssi == nullptr || ssi->value == 0) return std::nullopt;
    return fileName +
           ": SSI_MODE=1 switches the chip's interface to SSI, after which this tool no longer "
           "reaches it; set it in the window, not from a file; nothing done";
}

}  // namespace app
