#include "app/accuracy_report.h"

#include "app/field_map.h"
#include "chip/ASens_Digital.h"

namespace app {

std::vector<ReportField> ConfigurationInForce(const chip::TASensDig& chip) {
    std::vector<ReportField> fields;
    for (const ConfigField& field : kConfigFields) {
        if (field.kind == FieldKind::Display) continue;
        const chip::RegisterSlot slot = chip.Slot(field.reg);
        std::string value = "?";
        if (slot.Actual) {
            const uint16_t number = Decode(field, slot.Value);
            value = field.kind == FieldKind::ItemList && number < kAdcClockItems.size()
                        ? std::string(kAdcClockItems[number])
                        : std::to_string(number);
        }
        fields.push_back({std::string(field.key), value});
    }
    return fields;
}

}  // namespace app
