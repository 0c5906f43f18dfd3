// The configuration field map: every parameter of the four register pages as one row of a
// constant table (key, group, control, kind, register, mask), and the conversions between a
// number in the control and the field's bits in the register word.
#pragma once

#include <array>
#include <bit>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace app {

/// How a field's value is entered and shown.
enum class FieldKind {
    Number,    // an edit box holding a decimal number
    CheckBox,  // a check box for a single bit
    ItemList,  // an item list whose selected index is the value
    Display,   // a read-only edit box, filled only by a group read
};

/// One parameter: the bits of one register that one control shows. The shift and the width
/// follow from the mask.
struct ConfigField {
    constexpr ConfigField() = default;
    constexpr ConfigField(std::string_view key, int group, std::string_view control, FieldKind kind,
                          uint8_t reg, uint16_t mask, std::string_view languageKey,
                          std::string_view caption)
        : key(key),
          group(group),
          control(control),
          kind(kind),
          reg(reg),
          mask(mask),
          shift(static_cast<uint8_t>(mask == 0 ? 0 : std::countr_zero(mask))),
          width(static_cast<uint8_t>(std::popcount(mask))),
          languageKey(languageKey),
          caption(caption) {}

    std::string_view key;      // suffix of the control's name (EditGA_X, cbSDIS)
    int group = 0;             // 1-4: the page and its pair of buttons
    std::string_view control;  // the control's name
    FieldKind kind = FieldKind::Number;
    uint8_t reg = 0;               // register address 0-39
    uint16_t mask = 0;             // one contiguous run of bits
    uint8_t shift = 0;             // position of the mask's lowest set bit
    uint8_t width = 0;             // number of set bits in the mask
    std::string_view languageKey;  // key of the label or check-box caption
    std::string_view caption;      // the control that key captions: the label or the box
};

inline constexpr int kGroupCount = 4;

/// Every field, group by group, each group in its write order. The read-only displays of
/// group 4 follow its two writable fields; a write skips them.
inline constexpr std::array<ConfigField, 36> kConfigFields{{
    // Group 1, page tsAnalogCfg. REF (register 16) is written between the two offsets.
    {"T_CURR", 1, "EditT_CURR", FieldKind::Number, 1, 0x000F, "T_CURR", "LabelT_CURR"},
    {"GA_X", 1, "EditGA_X", FieldKind::Number, 2, 0xF800, "GA_X", "LabelGA_X"},
    {"OA_X", 1, "EditOA_X", FieldKind::Number, 2, 0x07E0, "OA_X", "LabelOA_X"},
    {"OA_Y", 1, "EditOA_Y", FieldKind::Number, 3, 0x003F, "OA_Y", "LabelOA_Y"},
    {"GA_Y", 1, "EditGA_Y", FieldKind::Number, 3, 0x07C0, "GA_Y", "LabelGA_Y"},
    {"XG", 1, "EditXG", FieldKind::Number, 3, 0x1800, "XG", "LabelXG"},
    {"OFFSET_SIN", 1, "EditOFFSET_SIN", FieldKind::Number, 4, 0x1FFF, "OFFSET_SIN",
     "LabelOFFSET_SIN"},
    {"REF", 1, "EditREF", FieldKind::Number, 16, 0x000C, "REF", "LabelREF"},
    {"OFFSET_COS", 1, "EditOFFSET_COS", FieldKind::Number, 5, 0x1FFF, "OFFSET_COS",
     "LabelOFFSET_COS"},
    {"SDIS", 1, "cbSDIS", FieldKind::CheckBox, 3, 0x2000, "SDIS", "cbSDIS"},
    {"PDIS", 1, "cbPDIS", FieldKind::CheckBox, 3, 0x4000, "PDIS", "cbPDIS"},
    {"AGC_EN", 1, "cbAGC_EN", FieldKind::CheckBox, 16, 0x0080, "AGC_EN", "cbAGC_EN"},
    {"AOC_EN", 1, "cbAOC_EN", FieldKind::CheckBox, 16, 0x0001, "AOC_EN", "cbAOC_EN"},
    {"ADCNT", 1, "cbADCNT", FieldKind::ItemList, 16, 0x0030, "ADCNT", "LabelADCNT"},
    // Group 2, page stAng.
    {"ZERO_POS", 2, "EditZERO_POS", FieldKind::Number, 11, 0x1FFF, "ZERO_POS", "LabelZERO_POS"},
    {"ANG_RNG_LSB", 2, "EditANG_RNG_LSB", FieldKind::Number, 14, 0x3FFF, "ANG_RNG_LSB",
     "LabelANG_RNG_LSB"},
    {"ANG_RNG_MSB", 2, "EditANG_RNG_MSB", FieldKind::Number, 15, 0x003F, "ANG_RNG_MSB",
     "LabelANG_RNG_MSB"},
    {"ANG_CLAMP_DN", 2, "EditANG_CLAMP_DN", FieldKind::Number, 6, 0x1FFF, "ANG_CLAMP_DN",
     "LabelANG_CLAMP_DN"},
    {"PHI_MIN", 2, "EditPHI_MIN", FieldKind::Number, 12, 0x1FFF, "PHI_MIN", "LabelPHI_MIN"},
    {"PHI_MAX", 2, "EditPHI_MAX", FieldKind::Number, 13, 0x1FFF, "PHI_MAX", "LabelPHI_MAX"},
    {"EN360", 2, "cbEN360", FieldKind::CheckBox, 11, 0x2000, "EN360", "cbEN360"},
    {"DIR", 2, "cbDIR", FieldKind::CheckBox, 16, 0x0002, "DIR", "cbDIR"},
    // Group 3, page tsSystemParams.
    {"AMP_EML_TH", 3, "EditAMP_EML_TH", FieldKind::Number, 7, 0x1FFF, "AMP_EML_TH",
     "LabelAMP_EML_TH"},
    {"FREQG", 3, "EditFREQG", FieldKind::Number, 1, 0xF800, "FREQG", "LabelFREQG"},
    {"EML_OUT_EN", 3, "cbEML_OUT_EN", FieldKind::CheckBox, 16, 0x0100, "EML_OUT_EN",
     "cbEML_OUT_EN"},
    {"SSI_MODE", 3, "cbSSI_MODE", FieldKind::CheckBox, 16, 0x0800, "SSI_MODE", "cbSSI_MODE"},
    {"EE_LD_EN", 3, "cbEE_LD_EN", FieldKind::CheckBox, 8, 0x0001, "EE_LD_EN", "cbEE_LD_EN"},
    {"DTSTO_DIS", 3, "cbDTSTO_DIS", FieldKind::CheckBox, 3, 0x8000, "DTSTO_DIS", "cbDTSTO_DIS"},
    // Group 4, page tsRegCfg: two test settings, then the readouts.
    {"DTST_SET", 4, "EditDTST_SET", FieldKind::Number, 33, 0x0F00, "DTST_SET", "LabelDTST_SET"},
    {"ATST0_SET", 4, "EditATST0_SET", FieldKind::Number, 33, 0xF000, "ATST0_SET", "LabelATST0_SET"},
    {"AMPLITUDE", 4, "EditAMPLITUDE", FieldKind::Display, 38, 0x1FFF, "Amplitude",
     "LabelAmplitude"},
    {"ANGLE_OUT", 4, "EditANGLE_OUT", FieldKind::Display, 37, 0x1FFF, "AngleOut", "LabelAngleOut"},
    {"ZOut", 4, "EditZOut", FieldKind::Display, 36, 0x1FFF, "ZOut", "LabelZOut"},
    {"CORDIC_QUADRANT", 4, "EditCORDIC_QUADRANT", FieldKind::Display, 36, 0xC000, "CORDIC_QUADRANT",
     "LabelCORDIC_QUADRANT"},
    {"OutX", 4, "EditOutX", FieldKind::Display, 35, 0x1FFF, "OutX", "LabelOutX"},
    {"OutY", 4, "EditOutY", FieldKind::Display, 34, 0x1FFF, "OutY", "LabelOutY"},
}};

/// Every mask of the table is one contiguous run of bits: checked where the table is built.
constexpr bool MasksAreRuns() {
    for (const ConfigField& f : kConfigFields) {
        const unsigned run = f.mask >> f.shift;
        if (f.mask == 0 || (run & (run + 1)) != 0) return false;
    }
    return true;
}
static_assert(MasksAreRuns(), "a field's mask is not one contiguous run of bits");

/// The registers a group read fetches, in the order it fetches them.
inline constexpr std::array<uint8_t, 6> kGroup1ReadOrder{1, 2, 3, 4, 5, 16};
inline constexpr std::array<uint8_t, 7> kGroup2ReadOrder{6, 11, 12, 13, 14, 15, 16};
inline constexpr std::array<uint8_t, 5> kGroup3ReadOrder{1, 3, 7, 8, 16};
inline constexpr std::array<uint8_t, 6> kGroup4ReadOrder{38, 37, 36, 35, 34, 33};

/// The items of cbADCNT in list order; the field value is the item's index (not sorted by
/// rate).
inline constexpr std::array<std::string_view, 4> kAdcClockItems{"CLK/4", "CLK/2", "CLK", "CLK/8"};

/// True for 1-4.
constexpr bool IsGroup(int group) {
    return group >= 1 && group <= kGroupCount;
}

/// The fields of a group in write order, its read-only displays last. Empty for a number
/// that is no group.
std::span<const ConfigField> GroupFields(int group);

/// The registers a group read fetches, in order. Empty for a number that is no group.
std::span<const uint8_t> GroupReadOrder(int group);

/// The fields a register holds, in the table's order (none for a readout register and for
/// the configuration registers kept whole, 0 and 17-31).
std::vector<const ConfigField*> FieldsOfRegister(uint8_t address);

/// The field with that key (exact spelling), or null.
const ConfigField* FieldByKey(std::string_view key);

/// The field shown by the named control, if any.
std::optional<ConfigField> FieldByControl(std::string_view control);

/// The field's contribution to its register word: (number << shift) & mask, in 16 bits. A
/// number outside the field's range contributes only its low bits (33 in a 5-bit field
/// gives 1, -1 all ones); an item list with no item selected (index -1) thus gives 3.
constexpr uint16_t Encode(const ConfigField& field, int32_t number) {
    return static_cast<uint16_t>((static_cast<uint32_t>(number) << field.shift) & field.mask);
}

/// A check box's contribution: the whole mask when ticked, else 0.
constexpr uint16_t EncodeCheck(const ConfigField& field, bool checked) {
    return checked ? field.mask : uint16_t{0};
}

/// The field's value in a register word: (word & mask) >> shift, unsigned.
constexpr uint16_t Decode(const ConfigField& field, uint16_t word) {
    return static_cast<uint16_t>((word & field.mask) >> field.shift);
}

}  // namespace app
