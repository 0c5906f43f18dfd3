// What the assistants' units share inside the calibration room: a field by its key, and
// angles in codes brought round the turn.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

#include "app/calibration/calibration.h"
#include "app/config/field_map.h"

namespace app::calibration_detail {

/// A field of the table that must be there: its absence is a fault of the build.
inline const ConfigField& Field(const char* key) {
    const ConfigField* field = FieldByKey(key);
    if (field == nullptr) throw std::logic_error(std::string("no field ") + key);
    return *field;
}

/// An angle difference in codes, brought to -4096 .. 4095.
inline int WrapAngle(int codes) {
    const int full = ZeroAssistant::kFullTurn;
    return ((codes + full / 2) % full + full) % full - full / 2;
}

/// A position in codes, brought to 0 .. 8191.
inline uint16_t TurnValue(long codes) {
    const long full = ZeroAssistant::kFullTurn;
    return static_cast<uint16_t>((codes % full + full) % full);
}

/// A field's value as a two's complement number of the field's width.
inline int SignedField(uint16_t value, const ConfigField& field) {
    const int half = 1 << (field.width - 1);
    return value >= half ? static_cast<int>(value) - 2 * half : static_cast<int>(value);
}

}  // namespace app::calibration_detail
