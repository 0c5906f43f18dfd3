#include "app/readings/connection.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/readings/status_flags.h"
#include "app/readings/transfer_check.h"
#include "chip/ASens_Digital.h"
#include "tests/fake_chip.h"

namespace app {
namespace {

class Supervision : public ::testing::Test {
  protected:
    void SetUp() override {
        fake::Install(chip_);
        texts_.vChipIdentified = "chip identified";
        texts_.vChipNotConnected = "chip not connected";
        texts_.vChipNotIdentified = "chip not identified";
        texts_.vChannelsFound = "FTDI channels found: ";
    }

    // Runs TimerConnect's ticks for as long as the timer stays enabled (at most limit).
    int TicksUntilTimerStops(int limit) {
        int ticks = 0;
        while (view_.timerEnabled && ticks < limit) {
            supervisor_.TimerConnectTimer(dig_);
            ++ticks;
        }
        return ticks;
    }

    void Switch(bool on) {
        view_.connectChecked = on;
        supervisor_.cbConnectClick(dig_);
    }

    fake::Chip chip_;
    fake::Clock clock_;
    chip::Adapter channel_;
    chip::TASensDig dig_{channel_, clock_};
    LanguageTexts texts_;
    HeadlessConnectionView view_;
    ConnectionSupervisor supervisor_{view_, texts_};
};

TEST_F(Supervision, SwitchingOnWithAnIdentifiedChipFillsGroupsOneToThree) {
    chip_.registers[2] = 0x0820;  // GA_X 1, OA_X 1
    chip_.registers[11] = 0x2005;
    chip_.registers[7] = 77;
    chip_.registers[33] = 0xF000;
    Switch(true);
    EXPECT_TRUE(supervisor_.ceFlag());
    // Identification, then the read orders of groups 1, 2 and 3; group 4 is not read.
    EXPECT_EQ(chip_.reads,
              (std::vector<int>{39, 1, 2, 3, 4, 5, 16, 6, 11, 12, 13, 14, 15, 16, 1, 3, 7, 8, 16}));
    EXPECT_EQ(view_.switchRepaints, 1);
    EXPECT_EQ(view_.fields.Control("EditGA_X").Text(), "1");
    EXPECT_EQ(view_.fields.Control("EditZERO_POS").Text(), "5");
    EXPECT_TRUE(view_.fields.Control("cbEN360").Checked());
    EXPECT_EQ(view_.fields.Control("EditAMP_EML_TH").Text(), "77");
    EXPECT_EQ(view_.fields.Control("EditATST0_SET").Text(), "0");
    EXPECT_EQ(view_.channelCount, "FTDI channels found: 1");
    EXPECT_TRUE(view_.connectState.empty());  // the next tick sets it
    EXPECT_TRUE(view_.timerEnabled);
    EXPECT_FALSE(view_.busy.Shown());

    EXPECT_EQ(TicksUntilTimerStops(3), 3);  // keeps ticking while switched on
    EXPECT_EQ(view_.connectState, "chip identified");
}

TEST_F(Supervision, SwitchingOnWithAnAbsentChipReadsNoGroupAndTheTickLightsEveryIndicator) {
    chip_.present = false;
    chip_.channels = 2;
    Switch(true);
    EXPECT_EQ(chip_.reads, (std::vector<int>{39}));
    EXPECT_EQ(view_.switchRepaints, 1);
    EXPECT_EQ(view_.channelCount, "FTDI channels found: 2");
    for (const StatusFlag& flag : kStatusFlags) EXPECT_FALSE(view_.indicators.On(flag.indicator));

    supervisor_.TimerConnectTimer(dig_);
    EXPECT_EQ(view_.connectState, "chip not connected");
    for (const StatusFlag& flag : kStatusFlags) {
        EXPECT_TRUE(view_.indicators.On(flag.indicator)) << flag.indicator;
    }
    EXPECT_TRUE(view_.timerEnabled);
}

TEST_F(Supervision, ChipAnsweringAnotherCodeIsNotIdentified) {
    chip_.registers[39] = 0x1234;
    Switch(true);
    EXPECT_EQ(chip_.reads, (std::vector<int>{39, 39, 39, 39}));
    EXPECT_EQ(view_.switchRepaints, 1);
    supervisor_.TimerConnectTimer(dig_);
    EXPECT_EQ(view_.connectState, "chip not identified");
}

TEST_F(Supervision, SwitchOnShowsTheBusyMessageBeforeItsFirstTransfer) {
    bool busyAtFirstFrame = false;
    chip_.onFrame = [&] {
        if (chip_.frames.size() == 1) busyAtFirstFrame = view_.busy.Shown();
    };
    Switch(true);
    EXPECT_TRUE(busyAtFirstFrame);
    EXPECT_EQ(view_.switchRepaints, 1);
    EXPECT_FALSE(view_.busy.Shown());
}

TEST_F(Supervision, UnpluggedAdapterIsShownAsNoChipAndComesBackWhenReplugged) {
    Switch(true);
    for (const bool shortTransfer : {false, true}) {
        chip_.failShort = shortTransfer;
        chip_.transfers = 0;
        chip_.failAfter = 0;
        supervisor_.TimerConnectTimer(dig_);
        EXPECT_EQ(view_.connectState, "chip not connected") << shortTransfer;
        for (const StatusFlag& flag : kStatusFlags) {
            EXPECT_TRUE(view_.indicators.On(flag.indicator)) << flag.indicator;
        }
    }
    // A group read that fails during the switch-on still leaves supervision running.
    Switch(false);
    chip_.transfers = 0;
    chip_.failAfter = 4;  // the identification, then the first register of group 1
    EXPECT_THROW(Switch(true), TransferFailure);
    EXPECT_TRUE(view_.timerEnabled);
    EXPECT_FALSE(view_.busy.Shown());

    chip_.failAfter = -1;
    Switch(false);
    Switch(true);
    supervisor_.TimerConnectTimer(dig_);
    EXPECT_EQ(view_.connectState, "chip identified");
    EXPECT_FALSE(view_.indicators.On("rbEML"));
}

TEST_F(Supervision, SwitchingOffClosesTheChannelAndGivesExactlyOneMoreTick) {
    Switch(true);
    EXPECT_TRUE(chip_.open);
    Switch(false);
    EXPECT_FALSE(supervisor_.ceFlag());
    EXPECT_FALSE(chip_.open);
    EXPECT_TRUE(view_.timerEnabled);
    EXPECT_EQ(TicksUntilTimerStops(10), 1);
    EXPECT_FALSE(view_.timerEnabled);
    EXPECT_EQ(view_.channelCount, "FTDI channels found: 1");  // keeps the last count
}

TEST_F(Supervision, TextsLoadedAfterTheSwitchOnAreTheOnesTheTickShows) {
    Switch(true);
    texts_.vChipIdentified = "identified (English)";
    supervisor_.TimerConnectTimer(dig_);
    EXPECT_EQ(view_.connectState, "identified (English)");
}

struct StatusCase {
    uint16_t word;
    std::vector<std::string> lit;
};

TEST_F(Supervision, StatusRegisterBitsLightTheirIndicators) {
    const StatusCase cases[] = {
        {0x0041, {"rbEML", "rbOTR_X"}},
        {0x0080, {}},
        {0x0000, {}},
        {0x0020, {"rbOFC_READY"}},
        {0x0010, {"rbCONV_READY"}},
        {0x0008, {"rbELOAD_READY"}},
        {0x0004, {"rbLOW_SPEED"}},
        {0x0002, {"rbOTR_Y"}},
        {0xFF7F,
         {"rbEML", "rbOFC_READY", "rbCONV_READY", "rbELOAD_READY", "rbLOW_SPEED", "rbOTR_Y",
          "rbOTR_X"}},
    };
    for (const StatusCase& c : cases) {
        SCOPED_TRACE(c.word);
        chip_.registers[32] = c.word;
        chip_.ClearRecord();
        ShowStatusFlags(dig_, view_.indicators);
        EXPECT_EQ(chip_.reads, (std::vector<int>{32}));  // always a transfer
        std::vector<std::string> lit;
        for (const StatusFlag& flag : kStatusFlags) {
            if (view_.indicators.On(flag.indicator)) lit.emplace_back(flag.indicator);
        }
        EXPECT_EQ(lit, c.lit);
    }
}

TEST(StatusFlagTable, RunsFromBitSixOnTheLeftToBitZeroWithIndicatorsNamedAfterTheFlags) {
    int bit = 6;
    for (const StatusFlag& flag : kStatusFlags) {
        EXPECT_EQ(flag.bit, bit--);
        EXPECT_EQ(flag.indicator, "rb" + std::string(flag.name));
    }
    HeadlessStatusIndicators indicators;
    EXPECT_THROW(indicators.SetIndicator("rbNONE", true), std::out_of_range);
}

}  // namespace
}  // namespace app
