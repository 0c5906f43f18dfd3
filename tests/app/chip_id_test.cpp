#include "app/config/chip_id.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/config/integer_text.h"
#include "app/readings/transfer_check.h"
#include "chip/ASens_Digital.h"
#include "tests/fake_chip.h"

namespace app {
namespace {

class ChipId : public ::testing::Test {
  protected:
    void SetUp() override { fake::Install(chip_); }
    fake::Chip chip_;
    fake::Clock clock_;
    chip::Adapter channel_;
    chip::TASensDig dig_{channel_, clock_};
};

TEST_F(ChipId, UnpluggedAdapterGivesAnErrorNotAnIdentifierMadeOfCommandBytes) {
    chip_.failAfter = 0;
    EXPECT_THROW(ReadChipId(dig_), TransferFailure);
    EXPECT_THROW(WriteChipId(dig_, "$12345678"), TransferFailure);
    // The chip's words are unknown again: nothing counts as written.
    EXPECT_FALSE(dig_.IsActualReg(kChipIdHighRegister));
    EXPECT_FALSE(dig_.IsActualReg(kChipIdLowRegister));
    chip_.failAfter = -1;
    WriteChipId(dig_, "$12345678");
    EXPECT_EQ(ReadChipId(dig_), "$12345678");
}

struct IdCase {
    const char* text;
    uint16_t high;
    uint16_t low;
    const char* readBack;
};

TEST_F(ChipId, WrittenTextReachesRegistersNineAndTenAndReadsBackAsUpperCaseHex) {
    const IdCase cases[] = {
        {"$1234ABCD", 0x1234, 0xABCD, "$1234ABCD"},  {"$1234abcd", 0x1234, 0xABCD, "$1234ABCD"},
        {"-1", 0xFFFF, 0xFFFF, "$FFFFFFFF"},         {"$FFFFFFFF", 0xFFFF, 0xFFFF, "$FFFFFFFF"},
        {"171", 0x0000, 0x00AB, "$000000AB"},        {"  0x10000", 0x0001, 0x0000, "$00010000"},
        {"2147483647", 0x7FFF, 0xFFFF, "$7FFFFFFF"}, {"-2147483648", 0x8000, 0x0000, "$80000000"},
    };
    for (const IdCase& c : cases) {
        SCOPED_TRACE(c.text);
        chip_.ClearRecord();
        WriteChipId(dig_, c.text);
        EXPECT_EQ(chip_.registers[9], c.high);
        EXPECT_EQ(chip_.registers[10], c.low);
        // Two configuration writes, high half first, and no read-back.
        EXPECT_EQ(chip_.configWrites, (std::vector<int>{9, 10}));
        EXPECT_TRUE(chip_.reads.empty());
        EXPECT_EQ(ReadChipId(dig_), c.readBack);
        EXPECT_EQ(chip_.reads, (std::vector<int>{9, 10}));
    }
}

TEST_F(ChipId, TextThatIsNoIntegerIsRejectedWithItsMessageAndNothingIsWritten) {
    chip_.registers[9] = 0x1111;
    chip_.registers[10] = 0x2222;
    for (const char* text : {"4294967295", "", "12 ", "$", "0x1G", "1.0", "2147483648"}) {
        SCOPED_TRACE(text);
        try {
            WriteChipId(dig_, text);
            ADD_FAILURE() << "accepted";
        } catch (const InvalidIntegerText& error) {
            EXPECT_EQ(std::string(error.what()),
                      std::string("''") + text + "'' is not a valid integer value");
        }
    }
    EXPECT_TRUE(chip_.frames.empty());
    EXPECT_EQ(chip_.registers[9], 0x1111);
    EXPECT_EQ(chip_.registers[10], 0x2222);
}

TEST_F(ChipId, ReadCombinesTheRegistersTheChipHolds) {
    chip_.registers[9] = 0x0000;
    chip_.registers[10] = 0x00AB;
    EXPECT_EQ(ReadChipId(dig_), "$000000AB");
    chip_.present = false;
    EXPECT_EQ(ReadChipId(dig_), "$FFFFFFFF");
    EXPECT_EQ(ChipIdText(0xDEADBEEF), "$DEADBEEF");
}

}  // namespace
}  // namespace app
