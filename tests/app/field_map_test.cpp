#include "app/config/field_map.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "chip/register_map.h"

namespace app {
namespace {

TEST(RegisterTable, AgreesWithTheFieldTableAndTheFrames) {
    for (const chip::RegisterInfo& info : chip::kRegisters) {
        SCOPED_TRACE(std::string(info.name));
        EXPECT_EQ(&info - chip::kRegisters.data(), info.address);
        // Configuration registers go out with the six-frame write, the rest with two frames.
        EXPECT_EQ(info.frames == chip::WriteFrames::Configuration, info.address < 32);
        // A readout holds no field the user sets (only displays), and says what it holds.
        if (!info.settable) {
            for (const ConfigField* field : FieldsOfRegister(info.address)) {
                EXPECT_EQ(field->kind, FieldKind::Display) << field->key;
            }
            EXPECT_FALSE(info.content.empty());
        }
    }
    for (const ConfigField& field : kConfigFields) {
        ASSERT_TRUE(chip::IsRegister(field.reg)) << field.key;
        EXPECT_EQ(chip::kRegisters[field.reg].settable, field.kind != FieldKind::Display)
            << field.key;
    }
    // The two settable test fields share register 33; the chip identifier's registers 9
    // and 10 and the whole registers 0 and 17-31 hold no field of the pages.
    EXPECT_EQ(FieldsOfRegister(33).size(), 2u);
    EXPECT_TRUE(FieldsOfRegister(0).empty());
    EXPECT_FALSE(chip::IsRegister(40));
}

const ConfigField& Field(std::string_view key) {
    const auto found = std::find_if(kConfigFields.begin(), kConfigFields.end(),
                                    [key](const ConfigField& f) { return f.key == key; });
    if (found == kConfigFields.end()) ADD_FAILURE() << "no field " << key;
    return *found;
}

// The chip's register allocation as the datasheet lists it: register, field, high bit, low
// bit, group. Written independently of the table under test.
struct Allocation {
    int reg;
    std::string key;
    int high;
    int low;
    int group;
};
const std::vector<Allocation> kAllocation = {
    {1, "FREQG", 15, 11, 3},
    {1, "T_CURR", 3, 0, 1},
    {2, "GA_X", 15, 11, 1},
    {2, "OA_X", 10, 5, 1},
    {3, "DTSTO_DIS", 15, 15, 3},
    {3, "PDIS", 14, 14, 1},
    {3, "SDIS", 13, 13, 1},
    {3, "XG", 12, 11, 1},
    {3, "GA_Y", 10, 6, 1},
    {3, "OA_Y", 5, 0, 1},
    {4, "OFFSET_SIN", 12, 0, 1},
    {5, "OFFSET_COS", 12, 0, 1},
    {6, "ANG_CLAMP_DN", 12, 0, 2},
    {7, "AMP_EML_TH", 12, 0, 3},
    {8, "EE_LD_EN", 0, 0, 3},
    {11, "EN360", 13, 13, 2},
    {11, "ZERO_POS", 12, 0, 2},
    {12, "PHI_MIN", 12, 0, 2},
    {13, "PHI_MAX", 12, 0, 2},
    {14, "ANG_RNG_LSB", 13, 0, 2},
    {15, "ANG_RNG_MSB", 5, 0, 2},
    {16, "SSI_MODE", 11, 11, 3},
    {16, "EML_OUT_EN", 8, 8, 3},
    {16, "AGC_EN", 7, 7, 1},
    {16, "ADCNT", 5, 4, 1},
    {16, "REF", 3, 2, 1},
    {16, "DIR", 1, 1, 2},
    {16, "AOC_EN", 0, 0, 1},
    {33, "ATST0_SET", 15, 12, 4},
    {33, "DTST_SET", 11, 8, 4},
    {34, "OutY", 12, 0, 4},
    {35, "OutX", 12, 0, 4},
    {36, "CORDIC_QUADRANT", 15, 14, 4},
    {36, "ZOut", 12, 0, 4},
    {37, "ANGLE_OUT", 12, 0, 4},
    {38, "AMPLITUDE", 12, 0, 4},
};

TEST(FieldMap, EveryFieldSitsWhereTheRegisterAllocationPutsIt) {
    ASSERT_EQ(kAllocation.size(), kConfigFields.size());
    for (const Allocation& a : kAllocation) {
        SCOPED_TRACE(a.key);
        const ConfigField& f = Field(a.key);
        const auto expectedMask =
            static_cast<uint16_t>(((1u << (a.high - a.low + 1)) - 1) << a.low);
        EXPECT_EQ(f.reg, a.reg);
        EXPECT_EQ(f.mask, expectedMask);
        EXPECT_EQ(f.group, a.group);
    }
}

TEST(FieldMap, FieldsAreNoWiderThanTheirKind) {
    for (const ConfigField& f : kConfigFields) {
        SCOPED_TRACE(std::string(f.key));
        EXPECT_GE(f.width, 1);
        EXPECT_LE(f.width, 14);
        if (f.kind == FieldKind::CheckBox) {
            EXPECT_EQ(f.width, 1);
        }
    }
}

TEST(FieldMap, NoTwoFieldsShareABit) {
    std::map<int, uint16_t> used;
    for (const ConfigField& f : kConfigFields) {
        EXPECT_EQ(used[f.reg] & f.mask, 0) << f.key << " overlaps in register " << int(f.reg);
        used[f.reg] |= f.mask;
    }
}

// The window's form names its controls and labels so; a derived name that drifted would
// leave a field without its control.
TEST(FieldMap, ControlAndCaptionNamesAreTheFormsAndNoneStandsTwice) {
    struct Case {
        std::string_view key, control, caption, languageKey;
    };
    for (const Case& c :
         {Case{"GA_X", "EditGA_X", "LabelGA_X", "GA_X"}, Case{"SDIS", "cbSDIS", "cbSDIS", "SDIS"},
          Case{"ADCNT", "cbADCNT", "LabelADCNT", "ADCNT"},
          Case{"AMPLITUDE", "EditAMPLITUDE", "LabelAmplitude", "Amplitude"},
          Case{"ANGLE_OUT", "EditANGLE_OUT", "LabelAngleOut", "AngleOut"},
          Case{"CORDIC_QUADRANT", "EditCORDIC_QUADRANT", "LabelCORDIC_QUADRANT",
               "CORDIC_QUADRANT"}}) {
        const ConfigField* f = FieldByKey(c.key);
        ASSERT_NE(f, nullptr) << c.key;
        EXPECT_EQ(f->control(), c.control);
        EXPECT_EQ(f->caption(), c.caption);
        EXPECT_EQ(f->languageKey, c.languageKey);
    }
    std::set<std::string_view> names;
    for (const ConfigField& f : kConfigFields) {
        EXPECT_TRUE(names.insert(f.control()).second) << "twice: " << f.control();
        if (f.kind != FieldKind::CheckBox) {
            EXPECT_TRUE(names.insert(f.caption()).second) << "twice: " << f.caption();
        }
    }
}

TEST(FieldMap, GroupsListTheirFieldsInWriteOrder) {
    const std::map<int, std::vector<std::string_view>> expected = {
        {1,
         {"T_CURR", "GA_X", "OA_X", "OA_Y", "GA_Y", "XG", "OFFSET_SIN", "REF", "OFFSET_COS", "SDIS",
          "PDIS", "AGC_EN", "AOC_EN", "ADCNT"}},
        {2,
         {"ZERO_POS", "ANG_RNG_LSB", "ANG_RNG_MSB", "ANG_CLAMP_DN", "PHI_MIN", "PHI_MAX", "EN360",
          "DIR"}},
        {3, {"AMP_EML_TH", "FREQG", "EML_OUT_EN", "SSI_MODE", "EE_LD_EN", "DTSTO_DIS"}},
        {4,
         {"DTST_SET", "ATST0_SET", "AMPLITUDE", "ANGLE_OUT", "ZOut", "CORDIC_QUADRANT", "OutX",
          "OutY"}},
    };
    for (const auto& [group, keys] : expected) {
        std::vector<std::string_view> actual;
        for (const ConfigField& f : GroupFields(group)) actual.push_back(f.key);
        EXPECT_EQ(actual, keys) << "group " << group;
    }
    EXPECT_TRUE(GroupFields(0).empty());
    EXPECT_TRUE(GroupFields(5).empty());
}

TEST(FieldMap, EachGroupReadFetchesExactlyTheRegistersOfItsFields) {
    for (int group = 1; group <= kGroupCount; ++group) {
        std::set<int> fieldRegisters;
        for (const ConfigField& f : GroupFields(group)) fieldRegisters.insert(f.reg);
        const auto order = GroupReadOrder(group);
        const std::set<int> readRegisters(order.begin(), order.end());
        EXPECT_EQ(readRegisters, fieldRegisters) << "group " << group;
        EXPECT_EQ(readRegisters.size(), order.size()) << "a register read twice, group " << group;
    }
    EXPECT_TRUE(GroupReadOrder(0).empty());
}

TEST(FieldMap, OnlyGroupFourHoldsDisplaysAndTheyFollowItsWritableFields) {
    for (const ConfigField& f : kConfigFields) {
        if (f.kind == FieldKind::Display) {
            EXPECT_EQ(f.group, 4) << f.key;
            EXPECT_GE(f.reg, 34) << f.key;
        } else {
            EXPECT_TRUE(f.reg <= 16 || f.reg == 33) << f.key << " in a readout register";
        }
    }
    EXPECT_EQ(Field("AMPLITUDE").languageKey, "Amplitude");
    EXPECT_EQ(Field("ANGLE_OUT").languageKey, "AngleOut");
}

struct EncodeCase {
    std::string_view key;
    int32_t number;
    uint16_t contribution;
};

TEST(FieldMap, EncodeKeepsOnlyTheFieldsLowBits) {
    const EncodeCase cases[] = {
        {"GA_X", 31, 0xF800},         {"GA_X", 32, 0x0000},
        {"GA_X", 33, 0x0800},         {"ANG_RNG_LSB", 16383, 0x3FFF},
        {"ANG_RNG_LSB", 16384, 0},    {"OFFSET_SIN", -1, 0x1FFF},
        {"OA_X", 63, 0x07E0},         {"REF", 3, 0x000C},
        {"ADCNT", -1, 0x0030},        {"ADCNT", 2, 0x0020},
        {"ATST0_SET", 15, 0xF000},    {"T_CURR", 0, 0},
        {"OFFSET_COS", INT32_MIN, 0}, {"OFFSET_COS", INT32_MAX, 0x1FFF},
    };
    for (const EncodeCase& c : cases) {
        EXPECT_EQ(Encode(Field(c.key), c.number), c.contribution) << c.key << " " << c.number;
    }
}

TEST(FieldMap, CheckBoxContributesItsMaskWhenTicked) {
    EXPECT_EQ(EncodeCheck(Field("SSI_MODE"), true), 0x0800);
    EXPECT_EQ(EncodeCheck(Field("SSI_MODE"), false), 0);
    EXPECT_EQ(EncodeCheck(Field("DTSTO_DIS"), true), 0x8000);
}

struct DecodeCase {
    std::string_view key;
    uint16_t word;
    uint16_t value;
};

TEST(FieldMap, DecodeShowsTheFieldUnsigned) {
    const DecodeCase cases[] = {
        // Register 16 = 0x0930.
        {"SSI_MODE", 0x0930, 1},
        {"EML_OUT_EN", 0x0930, 1},
        {"AGC_EN", 0x0930, 0},
        {"ADCNT", 0x0930, 3},
        {"REF", 0x0930, 0},
        {"DIR", 0x0930, 0},
        {"AOC_EN", 0x0930, 0},
        // Register 36 with both top bits and 5 in the low 13 bits.
        {"ZOut", 0xC005, 5},
        {"CORDIC_QUADRANT", 0xC005, 3},
        // Register 33: 10 in bits 15-12, 5 in bits 11-8, bits 7-0 ignored.
        {"ATST0_SET", 0xA5FF, 10},
        {"DTST_SET", 0xA5FF, 5},
        {"ATST0_SET", 0xA500, 10},
        {"OFFSET_SIN", 0x1FFF, 8191},
        {"OFFSET_SIN", 0xFFFF, 8191},
        {"OutY", 0x1FFF, 8191},  // shown unsigned, no sign conversion
        {"GA_X", 0xF800, 31},
        {"ANG_RNG_LSB", 0xFFFF, 16383},
    };
    for (const DecodeCase& c : cases) {
        EXPECT_EQ(Decode(Field(c.key), c.word), c.value) << c.key << " " << c.word;
    }
}

TEST(FieldMap, EncodeThenDecodeGivesTheNumberModuloTheFieldRange) {
    for (const ConfigField& f : kConfigFields) {
        const int32_t top = (1 << f.width) - 1;
        for (int32_t n : {0, 1, top, top + 1, top + 2, -1}) {
            EXPECT_EQ(Decode(f, Encode(f, n)), static_cast<uint32_t>(n) & top) << f.key << " " << n;
        }
    }
}

TEST(FieldMap, FieldByControlFindsTheRow) {
    EXPECT_EQ(FieldByControl("cbADCNT")->kind, FieldKind::ItemList);
    EXPECT_EQ(FieldByControl("EditZOut")->reg, 36);
    EXPECT_FALSE(FieldByControl("EditChipID").has_value());
}

}  // namespace
}  // namespace app
