// The group flows against the virtual chip library beside the test executable, through the
// real adapter binding: the field map must agree with the bits the chip keeps.
// POSIX only: it reaches the loaded virtual chip through dlopen (the Windows build skips it).
#if !defined(_WIN32)
#include <gtest/gtest.h>

#include <string>

#include "app/config/chip_id.h"
#include "app/config/param_groups.h"
#include "tests/app/virtual_chip.h"

namespace app {
namespace {

TEST_F(VirtualChip, TypedValuesRoundTripAndAnUnchangedRewriteMakesNoTransfer) {
    ASSERT_TRUE(Start("")) << "the virtual chip library beside the tests";
    const std::pair<const char*, const char*> typed[] = {
        {"EditT_CURR", "9"},          {"EditGA_X", "33"},
        {"EditOA_X", "42"},           {"EditOA_Y", "17"},
        {"EditGA_Y", "30"},           {"EditXG", "2"},
        {"EditOFFSET_SIN", "-1"},     {"EditREF", "3"},
        {"EditOFFSET_COS", "$1ABC"},  {"EditZERO_POS", "4000"},
        {"EditANG_RNG_LSB", "16383"}, {"EditPHI_MAX", "7"},
        {"EditAMP_EML_TH", "55"},     {"EditFREQG", "31"},
        {"EditDTST_SET", "5"},        {"EditATST0_SET", "10"},
    };
    for (const auto& [control, text] : typed) controls_.Control(control).SetText(text);
    controls_.Control("cbSDIS").SetChecked(true);
    controls_.Control("cbDIR").SetChecked(true);
    controls_.Control("cbEML_OUT_EN").SetChecked(true);
    controls_.Control("cbADCNT").SetItemIndex(2);
    for (int group = 1; group <= 4; ++group) {
        WriteParamGroup(dig_, group, controls_, busy_, texts_);
        for (const ConfigField& f : GroupFields(group)) {
            if (f.kind == FieldKind::Display) continue;
            EXPECT_EQ(controls_.Control(f.control()).LastVerdict(), Verdict::Green) << f.control();
        }
    }
    EXPECT_EQ(controls_.Control("EditGA_X").Text(), "1");
    EXPECT_EQ(controls_.Control("EditOFFSET_SIN").Text(), "8191");

    HeadlessFieldControls fresh;
    for (int group = 1; group <= 4; ++group) ReadParamGroup(dig_, group, fresh, busy_, texts_);
    for (const ConfigField& f : kConfigFields) {
        if (f.kind == FieldKind::Display) continue;
        EXPECT_EQ(fresh.Control(f.control()).Text(), controls_.Control(f.control()).Text())
            << f.control();
        EXPECT_EQ(fresh.Control(f.control()).Checked(), controls_.Control(f.control()).Checked())
            << f.control();
        EXPECT_EQ(fresh.Control(f.control()).ItemIndex(),
                  controls_.Control(f.control()).ItemIndex())
            << f.control();
    }

    clock_.pauses = 0;
    for (int group = 1; group <= 3; ++group) WriteParamGroup(dig_, group, fresh, busy_, texts_);
    EXPECT_EQ(clock_.pauses, 0) << "an unchanged write read something back";
    for (const ConfigField& f : kConfigFields) {
        if (f.group <= 3) {
            EXPECT_EQ(fresh.Control(f.control()).LastVerdict(), Verdict::Green) << f.control();
        }
    }
}

TEST_F(VirtualChip, StuckBitPaintsTheFieldRed) {
    ASSERT_TRUE(Start("stuck_low.2 = 0x8000\n")) << "the virtual chip library beside the tests";
    controls_.Control("EditGA_X").SetText("31");
    WriteParamGroup(dig_, 1, controls_, busy_, texts_);
    EXPECT_EQ(controls_.Control("EditGA_X").LastVerdict(), Verdict::Red);
    EXPECT_EQ(controls_.Control("EditGA_X").Text(), "15");
}

TEST_F(VirtualChip, ChipIdentifierRoundTrip) {
    ASSERT_TRUE(Start("")) << "the virtual chip library beside the tests";
    WriteChipId(dig_, "-1");
    EXPECT_EQ(ReadChipId(dig_), "$FFFFFFFF");
    WriteChipId(dig_, "$00c0ffee");
    EXPECT_EQ(ReadChipId(dig_), "$00C0FFEE");
}

}  // namespace
}  // namespace app

#endif  // !defined(_WIN32)
