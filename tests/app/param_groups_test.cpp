#include "app/config/param_groups.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "app/readings/transfer_check.h"
#include "chip/ASens_Digital.h"
#include "tests/fake_chip.h"

namespace app {
namespace {

using fake::Frame;

class ParamGroups : public ::testing::Test {
  protected:
    void SetUp() override {
        fake::Install(chip_);
        texts_.vWritingProcess = "Writing...";
        texts_.vReadingProcess = "Reading...";
    }

    HeadlessFieldControl& C(std::string_view name) { return controls_.Control(name); }
    void Write(int group) { WriteParamGroup(dig_, group, controls_, busy_, texts_); }
    void Read(int group) { ReadParamGroup(dig_, group, controls_, busy_, texts_); }

    fake::Chip chip_;
    fake::Clock clock_;
    chip::Adapter channel_;
    chip::TASensDig dig_{channel_, clock_};
    HeadlessFieldControls controls_;
    HeadlessBusyMessage busy_;
    LanguageTexts texts_;
};

std::vector<const ConfigField*> Writable(int group) {
    std::vector<const ConfigField*> fields;
    for (const ConfigField& f : GroupFields(group)) {
        if (f.kind != FieldKind::Display) fields.push_back(&f);
    }
    return fields;
}

TEST_F(ParamGroups, UnchangedGroupWriteAfterAReadMakesNoTransferAndPaintsEveryFieldGreen) {
    chip_.registers[1] = 0xA805;
    chip_.registers[2] = 0x7FE0;
    chip_.registers[3] = 0xFFFF;
    chip_.registers[16] = 0x0930;
    chip_.registers[11] = 0x3ABC;
    chip_.registers[33] = 0xA5C3;
    for (int group = 1; group <= kGroupCount; ++group) {
        SCOPED_TRACE("group " + std::to_string(group));
        Read(group);
        chip_.ClearRecord();
        Write(group);
        EXPECT_TRUE(chip_.frames.empty()) << chip_.frames.size() << " frames";
        // A check box the chip already holds is a match: green like the edits.
        for (const ConfigField* f : Writable(group)) {
            EXPECT_EQ(C(f->control()).LastVerdict(), Verdict::Green) << f->control();
        }
    }
}

TEST_F(ParamGroups, TypedValuesReachTheChipAndComeBackOnARead) {
    C("EditT_CURR").SetText("9");
    C("EditGA_X").SetText("21");
    C("EditOA_X").SetText("$2A");
    C("EditOA_Y").SetText("17");
    C("EditGA_Y").SetText("30");
    C("EditXG").SetText("2");
    C("EditOFFSET_SIN").SetText("4000");
    C("EditREF").SetText("1");
    C("EditOFFSET_COS").SetText("0x1ABC");
    C("cbSDIS").SetChecked(true);
    C("cbAOC_EN").SetChecked(true);
    C("cbADCNT").SetItemIndex(3);
    Write(1);
    EXPECT_EQ(chip_.registers[1] & 0x000F, 9);
    EXPECT_EQ(chip_.registers[2], (21 << 11) | (42 << 5));
    EXPECT_EQ(chip_.registers[3], 0x2000 | (2 << 11) | (30 << 6) | 17);
    EXPECT_EQ(chip_.registers[4], 4000);
    EXPECT_EQ(chip_.registers[5], 0x1ABC);
    EXPECT_EQ(chip_.registers[16], 0x0030 | 0x0004 | 0x0001);
    EXPECT_EQ(C("EditOA_X").Text(), "42");
    EXPECT_EQ(C("EditOFFSET_COS").Text(), "6844");

    HeadlessFieldControls fresh;
    ReadParamGroup(dig_, 1, fresh, busy_, texts_);
    for (const ConfigField* f : Writable(1)) {
        HeadlessFieldControl& control = fresh.Control(f->control());
        EXPECT_EQ(control.Text(), C(f->control()).Text()) << f->control();
        EXPECT_EQ(control.Checked(), C(f->control()).Checked()) << f->control();
        EXPECT_EQ(control.ItemIndex(), C(f->control()).ItemIndex()) << f->control();
        EXPECT_EQ(control.LastVerdict(), Verdict::Green) << f->control();
    }
}

TEST_F(ParamGroups, NumberBeyondTheFieldIsWrittenAsItsLowBitsAndShownAsTheChipHoldsIt) {
    C("EditGA_X").SetText("33");
    Write(1);
    EXPECT_EQ(chip_.registers[2] >> 11, 1);
    EXPECT_EQ(C("EditGA_X").Text(), "1");
    EXPECT_EQ(C("EditGA_X").LastVerdict(), Verdict::Green);
}

struct TextCase {
    const char* text;
    uint16_t written;
};

TEST_F(ParamGroups, NumberTextThatIsNoIntegerIsWrittenAsZero) {
    const TextCase cases[] = {
        {"$1F", 31},  {"0x1f", 31}, {"x1F", 31},        {"X1f", 31},
        {"0X1F", 31}, {"1F", 0},    {" 7", 7},          {"7 ", 0},
        {"", 0},      {"-1", 8191}, {"+12", 12},        {"1.5", 0},
        {"$", 0},     {"abc", 0},   {"99999999999", 0}, {"$FFFFFFFF", 8191},
    };
    for (const TextCase& c : cases) {
        SCOPED_TRACE(std::string("text '") + c.text + "'");
        chip_.registers[4] = 0x1555;  // something the written value is not
        chip::Adapter channel;
        chip::TASensDig dig(channel, clock_);
        HeadlessFieldControls controls;
        controls.Control("EditOFFSET_SIN").SetText(c.text);
        WriteParamGroup(dig, 1, controls, busy_, texts_);
        EXPECT_EQ(chip_.registers[4], c.written);
        EXPECT_EQ(controls.Control("EditOFFSET_SIN").Text(), std::to_string(c.written));
    }
}

TEST_F(ParamGroups, GroupWritesTheFieldsInTheirOrderWithRefBetweenTheOffsets) {
    // Every field asks for a word the chip does not hold, so every field transfers.
    for (const ConfigField& f : kConfigFields) {
        C(f.control()).SetText("1");
        C(f.control()).SetChecked(true);
        C(f.control()).SetItemIndex(1);
    }
    const std::vector<std::vector<int>> orders = {
        {1, 2, 2, 3, 3, 3, 4, 16, 5, 3, 3, 16, 16, 16},
        {11, 14, 15, 6, 12, 13, 11, 16},
        {7, 1, 16, 16, 8, 3},
    };
    for (int group = 1; group <= 3; ++group) {
        chip_.ClearRecord();
        Write(group);
        EXPECT_EQ(chip_.configWrites, orders[group - 1]) << "group " << group;
        EXPECT_EQ(chip_.reads, orders[group - 1]) << "each write is read back, group " << group;
        EXPECT_TRUE(chip_.plainWrites.empty());
    }
}

TEST_F(ParamGroups, EachGroupReadFetchesItsRegistersInOrderWithAPauseEach) {
    const std::vector<std::vector<int>> orders = {{1, 2, 3, 4, 5, 16},
                                                  {6, 11, 12, 13, 14, 15, 16},
                                                  {1, 3, 7, 8, 16},
                                                  {38, 37, 36, 35, 34, 33}};
    for (int group = 1; group <= kGroupCount; ++group) {
        chip_.ClearRecord();
        clock_.pauses = 0;
        Read(group);
        EXPECT_EQ(chip_.reads, orders[group - 1]) << "group " << group;
        EXPECT_EQ(clock_.pauses, static_cast<int>(orders[group - 1].size()));
        EXPECT_TRUE(chip_.configWrites.empty());
    }
}

TEST_F(ParamGroups, GroupFourWriteUsesThePlainWriteAndZeroesTheUnmappedBits) {
    chip_.registers[33] = 0x00FF;
    C("EditDTST_SET").SetText("5");
    C("EditATST0_SET").SetText("10");
    Write(4);
    EXPECT_EQ(chip_.registers[33], 0xA500);
    EXPECT_TRUE(chip_.configWrites.empty());
    EXPECT_EQ(chip_.plainWrites, (std::vector<int>{33, 33}));
    // First field: the word 0x0500 with a plain write, then its read-back.
    ASSERT_GE(chip_.frames.size(), 4u);
    EXPECT_EQ(chip_.frames[0], (Frame{true, 0x42, 0x00}));
    EXPECT_EQ(chip_.frames[1], (Frame{true, 0x05, 0x00}));
    EXPECT_EQ(chip_.frames[2], (Frame{true, 0x43, 0x00}));
    EXPECT_EQ(C("EditDTST_SET").LastVerdict(), Verdict::Green);
    EXPECT_EQ(C("EditATST0_SET").LastVerdict(), Verdict::Green);
}

TEST_F(ParamGroups, StuckBitPaintsItsFieldRedAndShowsWhatTheChipHolds) {
    chip_.stuckLow[2] = 0x8000;    // GA_X bit 4 never takes a 1
    chip_.stuckHigh[16] = 0x0080;  // AGC_EN always reads 1
    C("EditGA_X").SetText("31");
    C("EditOA_X").SetText("5");
    C("cbAGC_EN").SetChecked(false);
    Write(1);
    EXPECT_EQ(C("EditGA_X").LastVerdict(), Verdict::Red);
    EXPECT_EQ(C("EditGA_X").Text(), "15");
    EXPECT_EQ(C("EditOA_X").LastVerdict(), Verdict::Green);
    EXPECT_EQ(C("cbAGC_EN").LastVerdict(), Verdict::Red);
    EXPECT_FALSE(C("cbAGC_EN").Checked());  // the tick stays as the user set it
}

TEST_F(ParamGroups, AbsentChipPaintsEveryWrittenFieldRed) {
    chip_.present = false;
    Write(2);
    for (const ConfigField* f : Writable(2)) {
        EXPECT_EQ(C(f->control()).LastVerdict(), Verdict::Red) << f->control();
    }
    EXPECT_EQ(C("EditZERO_POS").Text(), "8191");
}

TEST_F(ParamGroups, UnpluggedAdapterStopsAWriteAtTheFieldItLostAndNeverPaintsItGreen) {
    for (const bool shortTransfer : {false, true}) {
        SCOPED_TRACE(shortTransfer ? "fewer bytes" : "error status");
        chip_.failShort = shortTransfer;
        chip_.transfers = 0;
        chip_.failAfter = -1;
        chip_.registers[2] = chip_.registers[3] = 0;
        Read(1);
        C("EditGA_X").SetText("3");
        C("EditGA_Y").SetText("4");
        C("EditOA_X").SetText("5");
        for (auto name : {"EditGA_X", "EditGA_Y", "EditOA_X"}) C(name).Paint(Verdict::Grey);
        // GA_X goes through (six frames, a read command and its answer); OA_X's write fails.
        chip_.transfers = 0;
        chip_.failAfter = 8;
        EXPECT_THROW(Write(1), TransferFailure);
        EXPECT_EQ(C("EditGA_X").LastVerdict(), Verdict::Green);
        EXPECT_EQ(C("EditOA_X").LastVerdict(), Verdict::Red);
        EXPECT_EQ(C("EditOA_X").Text(), "5");                   // no made-up read-back
        EXPECT_EQ(C("EditGA_Y").LastVerdict(), Verdict::Grey);  // never reached
        EXPECT_FALSE(busy_.Shown());
        // The chip's word is unknown again: the same write, replugged, goes out and verifies.
        chip_.failAfter = -1;
        Write(1);
        EXPECT_EQ(C("EditOA_X").LastVerdict(), Verdict::Green);
        EXPECT_EQ(C("EditOA_X").Text(), "5");
        EXPECT_EQ(chip_.registers[2] & 0x07E0, 5 << 5);
    }
}

TEST_F(ParamGroups, UnpluggedAdapterStopsAReadAndPaintsTheLostRegistersFieldsRed) {
    chip_.registers[1] = 0x0005;
    chip_.registers[2] = 0x0820;  // GA_X 1, OA_X 1
    C("EditGA_X").SetText("9");
    C("EditT_CURR").SetText("9");
    // Group 1 reads 1, 2, 3, ...: register 1 comes back, register 2 is lost.
    chip_.failAfter = 2;
    EXPECT_THROW(Read(1), TransferFailure);
    EXPECT_EQ(C("EditGA_X").LastVerdict(), Verdict::Red);
    EXPECT_EQ(C("EditGA_X").Text(), "9");
    EXPECT_EQ(C("EditT_CURR").LastVerdict(), Verdict::Green);
    EXPECT_EQ(C("EditT_CURR").Text(), "5");
    EXPECT_FALSE(busy_.Shown());
}

TEST_F(ParamGroups, ItemListWithNoItemSelectedWritesAllOnes) {
    C("cbADCNT").SetItemIndex(-1);
    Write(1);
    EXPECT_EQ(chip_.registers[16] & 0x0030, 0x0030);
    EXPECT_EQ(C("cbADCNT").ItemIndex(), 3);
    EXPECT_EQ(C("cbADCNT").LastVerdict(), Verdict::Green);
}

TEST_F(ParamGroups, ReadShowsEveryFieldDecodedAndGreen) {
    chip_.registers[16] = 0x0930;
    chip_.registers[3] = 0xBFFF;
    chip_.registers[1] = 0xF80A;
    Read(3);
    EXPECT_TRUE(C("cbSSI_MODE").Checked());
    EXPECT_TRUE(C("cbEML_OUT_EN").Checked());
    EXPECT_TRUE(C("cbDTSTO_DIS").Checked());
    EXPECT_FALSE(C("cbEE_LD_EN").Checked());
    EXPECT_EQ(C("EditFREQG").Text(), "31");
    Read(1);
    EXPECT_EQ(C("cbADCNT").ItemIndex(), 3);
    EXPECT_FALSE(C("cbAGC_EN").Checked());
    EXPECT_EQ(C("EditREF").Text(), "0");
    EXPECT_EQ(C("EditT_CURR").Text(), "10");
    EXPECT_TRUE(C("cbSDIS").Checked());
    EXPECT_FALSE(C("cbPDIS").Checked());

    chip_.registers[36] = 0xC005;
    chip_.registers[35] = 0x1FFF;
    chip_.registers[33] = 0xA5FF;
    Read(4);
    EXPECT_EQ(C("EditZOut").Text(), "5");
    EXPECT_EQ(C("EditCORDIC_QUADRANT").Text(), "3");
    EXPECT_EQ(C("EditOutX").Text(), "8191");
    EXPECT_EQ(C("EditATST0_SET").Text(), "10");
    EXPECT_EQ(C("EditDTST_SET").Text(), "5");
    for (const ConfigField& f : GroupFields(4)) {
        EXPECT_EQ(C(f.control()).LastVerdict(), Verdict::Green) << f.control();
    }
}

// Field controls that fail when one named control is asked for, as a window missing it.
class FailingControls : public FieldControls {
  public:
    FailingControls(HeadlessFieldControls& inner, std::string_view failing)
        : inner_(inner), failing_(failing) {}
    FieldControl& Control(std::string_view name) override {
        if (name == failing_) throw std::runtime_error("no control " + std::string(name));
        return inner_.Control(name);
    }

  private:
    HeadlessFieldControls& inner_;
    std::string_view failing_;
};

// Records how many frames had passed when the message was shown and hidden.
class RecordingBusy : public BusyMessage {
  public:
    explicit RecordingBusy(const fake::Chip& chip) : chip_(chip) {}
    void Show(const std::string& text) override {
        shownText = text;
        framesAtShow = static_cast<int>(chip_.frames.size());
        ++shows;
    }
    void Hide() override { ++hides; }
    std::string shownText;
    int framesAtShow = -1;
    int shows = 0;
    int hides = 0;

  private:
    const fake::Chip& chip_;
};

TEST_F(ParamGroups, BusyMessageAppearsBeforeTheFirstTransferAndIsHiddenAfterwards) {
    RecordingBusy busy(chip_);
    WriteParamGroup(dig_, 1, controls_, busy, texts_);
    EXPECT_EQ(busy.shownText, "Writing...");
    EXPECT_EQ(busy.framesAtShow, 0);
    EXPECT_EQ(busy.hides, 1);
    chip_.ClearRecord();
    ReadParamGroup(dig_, 2, controls_, busy, texts_);
    EXPECT_EQ(busy.shownText, "Reading...");
    EXPECT_EQ(busy.framesAtShow, 0);
    EXPECT_EQ(busy.shows, 2);
    EXPECT_EQ(busy.hides, 2);
}

TEST_F(ParamGroups, ErrorMidGroupStillHidesTheBusyMessageAndLeavesLaterFieldsAlone) {
    RecordingBusy busy(chip_);
    FailingControls failing(controls_, "EditOFFSET_SIN");
    EXPECT_THROW(WriteParamGroup(dig_, 1, failing, busy, texts_), std::runtime_error);
    EXPECT_EQ(busy.hides, 1);
    EXPECT_EQ(C("EditXG").LastVerdict(), Verdict::Green);        // written before the failure
    EXPECT_EQ(C("EditREF").LastVerdict(), Verdict::Layout);      // never reached
    EXPECT_EQ(chip_.configWrites, (std::vector<int>{1, 2, 3}));  // first field of each register

    EXPECT_THROW(ReadParamGroup(dig_, 1, failing, busy, texts_), std::runtime_error);
    EXPECT_EQ(busy.hides, 2);
}

TEST_F(ParamGroups, NumberThatIsNoGroupIsRejectedBeforeAnything) {
    for (int group : {0, 5, -1}) {
        EXPECT_THROW(Write(group), std::invalid_argument);
        EXPECT_THROW(Read(group), std::invalid_argument);
    }
    EXPECT_FALSE(busy_.Shown());
    EXPECT_TRUE(busy_.LastText().empty());
    EXPECT_TRUE(chip_.frames.empty());
}

TEST(HeadlessFieldControlsTest, HoldEveryFieldWithItsDesignValue) {
    HeadlessFieldControls controls;
    for (const ConfigField& f : kConfigFields) {
        HeadlessFieldControl& c = controls.Control(f.control());
        if (f.kind == FieldKind::Number || f.kind == FieldKind::Display) {
            EXPECT_EQ(c.Text(), "0") << f.control();
        }
        EXPECT_FALSE(c.Checked()) << f.control();
        EXPECT_EQ(c.ItemIndex(), 0) << f.control();
        EXPECT_EQ(c.LastVerdict(), Verdict::Layout) << f.control();
    }
    EXPECT_THROW(controls.Control("EditChipID"), std::out_of_range);
}

}  // namespace
}  // namespace app
