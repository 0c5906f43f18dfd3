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

/// A control's name made from a prefix and a field's key, kept in the row itself.
class ControlName {
  public:
    constexpr ControlName() = default;
    constexpr ControlName(std::string_view prefix, std::string_view key) {
        for (char c : prefix) text_[size_++] = c;
        for (char c : key) text_[size_++] = c;  // a key too long stops the build here
    }
    constexpr std::string_view view() const { return {text_.data(), size_}; }

  private:
    std::array<char, 24> text_{};
    size_t size_ = 0;
};

/// One parameter: the bits of one register that one control shows. The names follow from the
/// key: the control is "Edit" + key (a check box or item list "cb" + key), its caption the
/// language key's label ("Label" + language key; a check box captions itself), the language
/// key the key itself unless a row names another. The shift and the width follow from the
/// mask.
struct ConfigField {
    constexpr ConfigField() = default;
    constexpr ConfigField(std::string_view key, int group, FieldKind kind, uint8_t reg,
                          uint16_t mask, std::string_view languageKey = {})
        : key(key),
          group(group),
          kind(kind),
          reg(reg),
          mask(mask),
          shift(static_cast<uint8_t>(mask == 0 ? 0 : std::countr_zero(mask))),
          width(static_cast<uint8_t>(std::popcount(mask))),
          languageKey(languageKey.empty() ? key : languageKey),
          control_(kind == FieldKind::CheckBox || kind == FieldKind::ItemList ? "cb" : "Edit", key),
          caption_(kind == FieldKind::CheckBox ? ControlName("cb", key)
                                               : ControlName("Label", this->languageKey)) {}

    /// The control's name: EditGA_X, cbSDIS, cbADCNT.
    constexpr std::string_view control() const { return control_.view(); }
    /// The control the language key captions: the label beside the control, or the check box.
    constexpr std::string_view caption() const { return caption_.view(); }

    std::string_view key;  // the field's name in files and on the command line
    int group = 0;         // 1-4: the page and its pair of buttons
    FieldKind kind = FieldKind::Number;
    uint8_t reg = 0;               // register address 0-39
    uint16_t mask = 0;             // one contiguous run of bits
    uint8_t shift = 0;             // position of the mask's lowest set bit
    uint8_t width = 0;             // number of set bits in the mask
    std::string_view languageKey;  // key of the label or check-box caption

  private:
    ControlName control_;
    ControlName caption_;
};

inline constexpr int kGroupCount = 4;

/// Every field, group by group, each group in its write order. The read-only displays of
/// group 4 follow its two writable fields; a write skips them.
inline constexpr std::array<ConfigField, 36> kConfigFields{{
    // Group 1, page tsAnalogCfg. REF (register 16) is written between the two offsets.
    {"T_CURR", 1, FieldKind::Number, 1, 0x000F},
    {"GA_X", 1, FieldKind::Number, 2, 0xF800},
    {"OA_X", 1, FieldKind::Number, 2, 0x07E0},
    {"OA_Y", 1, FieldKind::Number, 3, 0x003F},
    {"GA_Y", 1, FieldKind::Number, 3, 0x07C0},
    {"XG", 1, FieldKind::Number, 3, 0x1800},
    {"OFFSET_SIN", 1, FieldKind::Number, 4, 0x1FFF},
    {"REF", 1, FieldKind::Number, 16, 0x000C},
    {"OFFSET_COS", 1, FieldKind::Number, 5, 0x1FFF},
    {"SDIS", 1, FieldKind::CheckBox, 3, 0x2000},
    {"PDIS", 1, FieldKind::CheckBox, 3, 0x4000},
    {"AGC_EN", 1, FieldKind::CheckBox, 16, 0x0080},
    {"AOC_EN", 1, FieldKind::CheckBox, 16, 0x0001},
    {"ADCNT", 1, FieldKind::ItemList, 16, 0x0030},
    // Group 2, page stAng.
    {"ZERO_POS", 2, FieldKind::Number, 11, 0x1FFF},
    {"ANG_RNG_LSB", 2, FieldKind::Number, 14, 0x3FFF},
    {"ANG_RNG_MSB", 2, FieldKind::Number, 15, 0x003F},
    {"ANG_CLAMP_DN", 2, FieldKind::Number, 6, 0x1FFF},
    {"PHI_MIN", 2, FieldKind::Number, 12, 0x1FFF},
    {"PHI_MAX", 2, FieldKind::Number, 13, 0x1FFF},
    {"EN360", 2, FieldKind::CheckBox, 11, 0x2000},
    {"DIR", 2, FieldKind::CheckBox, 16, 0x0002},
    // Group 3, page tsSystemParams.
    {"AMP_EML_TH", 3, FieldKind::Number, 7, 0x1FFF},
    {"FREQG", 3, FieldKind::Number, 1, 0xF800},
    {"EML_OUT_EN", 3, FieldKind::CheckBox, 16, 0x0100},
    {"SSI_MODE", 3, FieldKind::CheckBox, 16, 0x0800},
    {"EE_LD_EN", 3, FieldKind::CheckBox, 8, 0x0001},
    {"DTSTO_DIS", 3, FieldKind::CheckBox, 3, 0x8000},
    // Group 4, page tsRegCfg: two test settings, then the readouts.
    {"DTST_SET", 4, FieldKind::Number, 33, 0x0F00},
    {"ATST0_SET", 4, FieldKind::Number, 33, 0xF000},
    {"AMPLITUDE", 4, FieldKind::Display, 38, 0x1FFF, "Amplitude"},
    {"ANGLE_OUT", 4, FieldKind::Display, 37, 0x1FFF, "AngleOut"},
    {"ZOut", 4, FieldKind::Display, 36, 0x1FFF},
    {"CORDIC_QUADRANT", 4, FieldKind::Display, 36, 0xC000},
    {"OutX", 4, FieldKind::Display, 35, 0x1FFF},
    {"OutY", 4, FieldKind::Display, 34, 0x1FFF},
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
