#include "app/config/field_map.h"

#include <algorithm>

namespace app {

std::span<const ConfigField> GroupFields(int group) {
    if (!IsGroup(group)) return {};
    // The table is sorted by group, so each group is one contiguous run of rows.
    const auto first = std::find_if(kConfigFields.begin(), kConfigFields.end(),
                                    [group](const ConfigField& f) { return f.group == group; });
    const auto last = std::find_if(first, kConfigFields.end(),
                                   [group](const ConfigField& f) { return f.group != group; });
    return {first, last};
}

std::vector<const ConfigField*> FieldsOfRegister(uint8_t address) {
    std::vector<const ConfigField*> fields;
    for (const ConfigField& field : kConfigFields) {
        if (field.reg == address) fields.push_back(&field);
    }
    return fields;
}

std::span<const uint8_t> GroupReadOrder(int group) {
    switch (group) {
        case 1:
            return kGroup1ReadOrder;
        case 2:
            return kGroup2ReadOrder;
        case 3:
            return kGroup3ReadOrder;
        case 4:
            return kGroup4ReadOrder;
        default:
            return {};
    }
}

const ConfigField* FieldByKey(std::string_view key) {
    const auto found = std::find_if(kConfigFields.begin(), kConfigFields.end(),
                                    [key](const ConfigField& f) { return f.key == key; });
    return found == kConfigFields.end() ? nullptr : &*found;
}

std::optional<ConfigField> FieldByControl(std::string_view control) {
    const auto found =
        std::find_if(kConfigFields.begin(), kConfigFields.end(),
                     [control](const ConfigField& f) { return f.control() == control; });
    if (found == kConfigFields.end()) return std::nullopt;
    return *found;
}

}  // namespace app
