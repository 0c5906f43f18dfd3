#include "chip/ASens_Digital.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/fake_chip.h"

namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class TASensDigTest : public fake::AdapterTest {
  protected:
    chip::TASensDig sens{channel, clock};
};

TEST_F(TASensDigTest, RegisterReadIsCommandPauseResponse) {
    adapter.answers = {0x1234};
    EXPECT_EQ(sens.GetReg(37, true), 0x1234);
    EXPECT_THAT(adapter.Frames(), ElementsAre("write 4B 00", "sleep 100", "read 12 34"));
    EXPECT_TRUE(sens.IsActualReg(37));
}

TEST_F(TASensDigTest, CachedReadMakesNoTransfer) {
    adapter.answers = {0xBEEF};
    sens.GetReg(5, true);
    adapter.log.clear();
    EXPECT_EQ(sens.GetReg(5, false), 0xBEEF);
    EXPECT_THAT(adapter.Frames(), IsEmpty());
    EXPECT_EQ(sens.GetReg(6, false), 0) << "a register never read is 0 in the cache";
}

TEST_F(TASensDigTest, ReadAboveLastRegisterGivesAllOnesWithoutTransfer) {
    EXPECT_EQ(sens.GetReg(40, true), 0xFFFF);
    EXPECT_EQ(sens.GetReg(0xFFFF, false), 0xFFFF);
    EXPECT_THAT(adapter.Frames(), IsEmpty());
}

TEST_F(TASensDigTest, ConfigurationWriteIsSixFramesAndPlainWriteTwo) {
    sens.PutReg(31, 0xA55A, true);
    EXPECT_THAT(adapter.Frames(), ElementsAre("write BE 00", "write 00 00", "write 3E 00",
                                              "write A5 5A", "write FE 00", "write 00 00"));
    adapter.log.clear();
    sens.PutReg(32, 0x0102, true);
    EXPECT_THAT(adapter.Frames(), ElementsAre("write 40 00", "write 01 02"));
    EXPECT_TRUE(sens.IsActualReg(31));
    EXPECT_TRUE(sens.IsActualReg(32));
}

TEST_F(TASensDigTest, PutWithoutWriteIsActualOnlyWhenItMatchesTheChip) {
    adapter.answers = {0x0042};
    sens.GetReg(3, true);
    sens.PutReg(3, 0x0043, false);
    EXPECT_FALSE(sens.IsActualReg(3));
    EXPECT_EQ(sens.GetReg(3, false), 0x0043);
    sens.PutReg(3, 0x0042, false);
    EXPECT_TRUE(sens.IsActualReg(3));
    EXPECT_EQ(adapter.Frames().size(), 3u) << "only the one read transferred";
}

TEST_F(TASensDigTest, AddressesAboveLastRegisterTouchNothing) {
    sens.PutReg(40, 0x1234, true);
    sens.PutReg(0xFFFF, 0x1234, false);
    uint16_t data = 0x0500;
    EXPECT_EQ(sens.SetRegisterState(40, data, 0x0F00), 0);
    EXPECT_EQ(sens.SetRegisterState(255, data, 0x0F00), 0);
    EXPECT_EQ(data, 0x0500);
    EXPECT_FALSE(sens.IsActualReg(40));
    EXPECT_FALSE(sens.IsActualReg(0xFFFF));
    EXPECT_THAT(adapter.Frames(), IsEmpty());
    for (uint16_t reg = 0; reg < 40; ++reg) EXPECT_EQ(sens.GetReg(reg, false), 0) << reg;
}

TEST_F(TASensDigTest, FirstFieldWriteOfAnUnreadRegisterWritesOtherBitsAsZero) {
    adapter.answers = {0x0500};
    uint16_t data = 0x0500;
    EXPECT_EQ(sens.SetRegisterState(2, data, 0x0F00), 1);
    EXPECT_THAT(adapter.Frames(), ElementsAre("write 84 00", "write 00 00", "write 04 00",
                                              "write 05 00", "write FE 00", "write 00 00",
                                              "write 05 00", "sleep 100", "read 05 00"));
    EXPECT_EQ(data, 5);
}

struct FieldWriteCase {
    const char* name;
    uint16_t readBack;
    uint8_t result;
    uint16_t data;
    uint16_t cached;
};

class FieldWriteVerify : public TASensDigTest,
                         public ::testing::WithParamInterface<FieldWriteCase> {};

TEST_P(FieldWriteVerify, MergesWritesReadsBackAndReports) {
    const FieldWriteCase& c = GetParam();
    adapter.answers = {0x1234, c.readBack};
    sens.GetReg(1, true);  // register 1 holds 0x1234 in chip and cache
    adapter.log.clear();
    uint16_t data = 0x0500;
    EXPECT_EQ(sens.SetRegisterState(1, data, 0x0F00), c.result);
    EXPECT_EQ(data, c.data);
    EXPECT_EQ(sens.GetReg(1, false), c.cached);
    EXPECT_EQ(adapter.Frames()[3], "write 15 34") << "the merged word goes out";
    EXPECT_EQ(adapter.Frames().back(), (c.readBack == 0x1534 ? "read 15 34" : "read 12 34"));
}

INSTANTIATE_TEST_SUITE_P(Cases, FieldWriteVerify,
                         ::testing::Values(FieldWriteCase{"verified", 0x1534, 1, 5, 0x1534},
                                           FieldWriteCase{"mismatch", 0x1234, 0, 2, 0x1234}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(TASensDigTest, UnchangedFieldReportsTwoFromTheChipsWordWithoutTransfer) {
    adapter.answers = {0x1534};
    sens.GetReg(1, true);
    adapter.log.clear();
    uint16_t data = 0x0500;
    EXPECT_EQ(sens.SetRegisterState(1, data, 0x0F00), 2);
    EXPECT_EQ(data, 5);
    EXPECT_THAT(adapter.Frames(), IsEmpty());
}

TEST_F(TASensDigTest, FieldWriteAboveConfigurationRegistersUsesPlainWrite) {
    adapter.answers = {0xA500};
    uint16_t data = 0xA000;
    EXPECT_EQ(sens.SetRegisterState(33, data, 0xF000), 0);
    EXPECT_THAT(adapter.Frames(), ElementsAre("write 42 00", "write A0 00", "write 43 00",
                                              "sleep 100", "read A5 00"));
    EXPECT_EQ(data, 0xA);
}

TEST_F(TASensDigTest, ZeroMaskTakesBitZeroAsTheFieldStart) {
    adapter.answers = {0x0003};
    uint16_t data = 0x0003;
    EXPECT_EQ(sens.SetRegisterState(7, data, 0x0000), 1);
    EXPECT_EQ(data, 0) << "nothing of the word lies in an empty mask";
}

struct ConnectCase {
    const char* name;
    std::vector<uint16_t> answers;
    uint8_t result;
    int reads;
};

class CheckConnectTries : public TASensDigTest,
                          public ::testing::WithParamInterface<ConnectCase> {};

TEST_P(CheckConnectTries, StopsAtTheFirstDecisiveWord) {
    const ConnectCase& c = GetParam();
    adapter.answers.assign(c.answers.begin(), c.answers.end());
    adapter.idle = 0x0000;
    EXPECT_EQ(sens.CheckConnect(), c.result);
    std::vector<std::string> expected;
    for (int i = 0; i < c.reads; ++i) {
        if (i > 0) expected.push_back("write 00 00");
        expected.push_back("write 4F 00");
        expected.push_back("sleep 100");
        char read[16];
        const uint16_t word = c.answers[static_cast<size_t>(i)];
        std::snprintf(read, sizeof read, "read %02X %02X", word >> 8, word & 0xFF);
        expected.push_back(read);
    }
    EXPECT_EQ(adapter.Frames(), expected);
    EXPECT_FALSE(sens.IsActualReg(39)) << "the cache is not touched";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CheckConnectTries,
    ::testing::Values(ConnectCase{"Identified", {0x08E2}, 0, 1},
                      ConnectCase{"DataLineStuckHigh", {0xFFFF}, 1, 1},
                      ConnectCase{"AnswersZero", {0, 0, 0, 0}, 2, 4},
                      ConnectCase{"IdentifiedOnThirdTry", {0x1234, 0, 0x08E2}, 0, 3},
                      ConnectCase{"AllOnesAfterGarbage", {0x0001, 0xFFFF}, 1, 2}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(TASensDigTest, StatusFlagsComeFromTheLowSevenBits) {
    struct Case {
        uint16_t word;
        std::array<bool, 7> flags;  // EML, OFC_READY, CONV_READY, ELOAD_READY, LOW_SPEED, OTR_Y,
                                    // OTR_X
    };
    const Case cases[] = {
        {0xFF80, {false, false, false, false, false, false, false}},
        {0x0040, {true, false, false, false, false, false, false}},
        {0x0021, {false, true, false, false, false, false, true}},
        {0x001E, {false, false, true, true, true, true, false}},
        {0xFFFF, {true, true, true, true, true, true, true}},
    };
    for (const Case& c : cases) {
        adapter.answers = {c.word};
        adapter.log.clear();
        std::array<bool, 7> f{};
        sens.ReadStatus(f[0], f[1], f[2], f[3], f[4], f[5], f[6]);
        EXPECT_EQ(f, c.flags) << std::hex << c.word;
        EXPECT_THAT(adapter.Frames(), ElementsAre("write 41 00", "sleep 100", ::testing::_));
    }
    EXPECT_FALSE(sens.IsActualReg(32));
}

TEST_F(TASensDigTest, AngleWordSplitsIntoCodeAndFlags) {
    struct Case {
        uint16_t word;
        uint16_t angle;
        uint8_t adc, ls, crc;
    };
    const Case cases[] = {
        {static_cast<uint16_t>(0xE000 | 291), 291, 1, 1, 1},
        {0x0A2B | 0x4000, 2603, 0, 1, 0},
        {0x0A2B, 2603, 0, 0, 0},
        {0x8A2B, 2603, 0, 0, 1},
        {0x2000, 0, 1, 0, 0},
    };
    for (const Case& c : cases) {
        adapter.answers = {c.word};
        adapter.log.clear();
        uint16_t data = 0, angle = 0;
        uint8_t adc = 9, ls = 9, crc = 9;
        sens.GetAngleData(data, angle, adc, ls, crc);
        EXPECT_EQ(data, c.word);
        EXPECT_EQ(angle, c.angle);
        EXPECT_EQ(adc, c.adc);
        EXPECT_EQ(ls, c.ls);
        EXPECT_EQ(crc, c.crc);
        EXPECT_EQ(adapter.Frames().size(), 1u) << "one read, no command, no pause";
    }
}

TEST_F(TASensDigTest, PortCWritesTheGpioLines) {
    sens.SetPortC(0xF0, 0x30);
    EXPECT_EQ(adapter.log.back(), "gpio F0 30");
}

}  // namespace
