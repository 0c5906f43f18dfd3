#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "chip/ASens_Digital.h"
#include "chip/UnitSPI.h"
#include "tests/fake_chip.h"

namespace {

using ::testing::Each;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

// The channel takes its clock rate from `rate` whenever it is opened.
class UnitSPITest : public fake::AdapterTest {
  protected:
    uint32_t rate = 1000;
    chip::Adapter rated{[this] { return rate; }};
};

TEST_F(UnitSPITest, InitOpensConfiguresSetsLinesAndCountsChannels) {
    adapter.channels = 0x0102;
    rate = 250000;
    EXPECT_EQ(rated.InitAdapter(), 2) << "the low byte of the count";
    EXPECT_THAT(adapter.log, ElementsAre("info", "open", "init", "gpio FF 10", "count"));
    EXPECT_EQ(adapter.lastConfig.ClockRate, 250000u);
    EXPECT_EQ(adapter.lastConfig.LatencyTimer, 1);
    EXPECT_EQ(adapter.lastConfig.configOptions, 0x20u);
    EXPECT_EQ(adapter.lastConfig.Pin, 0u);
    EXPECT_THAT(adapter.handles, Each(fake::OpenHandle()));
}

TEST_F(UnitSPITest, ClockRateIsTheEditsDesignValueWithoutSource) {
    channel.InitAdapter();
    EXPECT_EQ(adapter.lastConfig.ClockRate, 1000u);
    EXPECT_EQ(channel.Config().ClockRate, chip::kDesignClockRate);
}

TEST_F(UnitSPITest, OpenChannelIsNeitherReopenedNorReconfigured) {
    rated.InitAdapter();
    adapter.log.clear();
    rate = 5;
    rated.InitAdapter();
    EXPECT_THAT(adapter.log, ElementsAre("info", "gpio FF 10", "count"));
    EXPECT_EQ(adapter.lastConfig.ClockRate, 1000u);
}

TEST_F(UnitSPITest, FirstTransferOpensOnDemandWithTheZeroConfiguration) {
    uint8_t buffer[2] = {0x4F, 0x00};
    channel.WriteSPI(2, buffer);
    EXPECT_THAT(adapter.log, ElementsAre("open", "init", "write 4F 00"));
    EXPECT_EQ(adapter.lastConfig.ClockRate, 0u);
    EXPECT_EQ(adapter.lastConfig.configOptions, 0u);
}

TEST_F(UnitSPITest, GpioWriteAlsoOpensOnDemand) {
    channel.SetAdapterGPIO(0x0F, 0x01);
    EXPECT_THAT(adapter.log, ElementsAre("open", "init", "gpio 0F 01"));
}

TEST_F(UnitSPITest, AfterCloseNothingReachesTheLibraryUntilInit) {
    rated.InitAdapter();
    rated.CloseAdapter();
    EXPECT_FALSE(rated.ChannelOpen());
    adapter.log.clear();
    adapter.handles.clear();

    uint8_t buffer[2] = {0x4F, 0x00};
    rated.WriteSPI(2, buffer);
    EXPECT_EQ(rated.ReadSPI(2, buffer), static_cast<FT_STATUS>(FT_INVALID_HANDLE));
    rated.SetAdapterGPIO(0xFF, 0x00);
    EXPECT_THAT(adapter.log, IsEmpty());
    EXPECT_EQ(buffer[0], 0x4F) << "the buffer keeps what it held";
    EXPECT_EQ(buffer[1], 0x00);

    rate = 2000;
    rated.InitAdapter();
    EXPECT_THAT(adapter.log, ElementsAre("info", "open", "init", "gpio FF 10", "count"));
    EXPECT_EQ(adapter.lastConfig.ClockRate, 2000u) << "the new rate applies after a close";
}

TEST_F(UnitSPITest, ReadAfterCloseYieldsTheCommandFrame) {
    chip::TASensDig sens(channel, clock);
    channel.InitAdapter();
    sens.CloseSPI();
    adapter.answers = {0x08E2};
    EXPECT_EQ(sens.GetReg(39, true), 0x4F00);
    EXPECT_EQ(sens.CheckConnect(), 2);
    EXPECT_EQ(adapter.answers.size(), 1u) << "no read reached the library";
}

TEST_F(UnitSPITest, AngleWordAfterCloseKeepsTheCallersValue) {
    chip::TASensDig sens(channel, clock);
    channel.InitAdapter();
    sens.CloseSPI();
    uint16_t data = 0xA123, angle = 0;
    uint8_t adc = 0, ls = 0, crc = 0;
    sens.GetAngleData(data, angle, adc, ls, crc);
    EXPECT_EQ(data, 0xA123);
    EXPECT_EQ(angle, 0x0123);
    EXPECT_EQ(crc, 1);
    EXPECT_EQ(ls, 0);
    EXPECT_EQ(adc, 1);
}

FT_STATUS FailWithoutWritingCount(uint32_t*) {
    return FT_DEVICE_NOT_FOUND;
}
FT_STATUS FailWithoutWritingInfo(uint32_t, FT_DEVICE_LIST_INFO_NODE*) {
    return FT_DEVICE_NOT_FOUND;
}
FT_STATUS FailWithoutWritingHandle(uint32_t, FT_HANDLE*) {
    return FT_DEVICE_NOT_FOUND;
}

TEST_F(UnitSPITest, FailedLibraryCallsLeaveDefinedValues) {
    chip::AdapterEntryPoints table = fake::Table();
    table.SPI_GetNumChannels = FailWithoutWritingCount;
    table.SPI_GetChannelInfo = FailWithoutWritingInfo;
    table.SPI_OpenChannel = FailWithoutWritingHandle;
    chip::InstallAdapterEntryPoints(table);
    EXPECT_EQ(channel.InitAdapter(), 0) << "no adapter: no channels";
    EXPECT_FALSE(channel.ChannelOpen());
    chip::TASensDig sens(channel, clock);
    EXPECT_EQ(sens.GetReg(39, true), 0x4F00) << "no channel: the read yields its command";
    EXPECT_THAT(adapter.log, ElementsAre("sleep 100"))
        << "no call with a handle that was never opened";
}

TEST_F(UnitSPITest, CloseWithoutOpenChannelCallsNothing) {
    channel.CloseAdapter();
    EXPECT_THAT(adapter.log, IsEmpty());
}

TEST_F(UnitSPITest, AbsentEntryPointsAreNeverCalled) {
    chip::AdapterEntryPoints table = fake::Table();
    table.SPI_OpenChannel = nullptr;  // the binding stopped at entry 3
    table.SPI_InitChannel = nullptr;
    table.SPI_CloseChannel = nullptr;
    table.SPI_Read = nullptr;
    table.SPI_Write = nullptr;
    table.SPI_IsBusy = nullptr;
    table.FT_WriteGPIO = nullptr;
    table.FT_ReadGPIO = nullptr;
    chip::InstallAdapterEntryPoints(table);
    adapter.channels = 3;
    EXPECT_EQ(channel.InitAdapter(), 3);
    uint8_t buffer[2] = {1, 2};
    channel.ReadSPI(2, buffer);
    channel.WriteSPI(2, buffer);
    channel.SetAdapterGPIO(1, 1);
    channel.CloseAdapter();
    EXPECT_THAT(adapter.log, ElementsAre("info", "count"));
    EXPECT_EQ(buffer[0], 1);
}

TEST_F(UnitSPITest, NoTableAtAllIsHarmless) {
    chip::InstallAdapterEntryPoints(chip::AdapterEntryPoints{});
    EXPECT_EQ(channel.InitAdapter(), 0);
    chip::TASensDig sens(channel, clock);
    EXPECT_EQ(sens.CheckConnect(), 2) << "every read yields its command frame";
}

TEST_F(UnitSPITest, EachAdapterKeepsItsOwnFailureRecord) {
    adapter.failAfter = 0;
    uint8_t buffer[2] = {0x4F, 0x00};
    EXPECT_EQ(channel.WriteSPI(2, buffer), static_cast<FT_STATUS>(FT_IO_ERROR));
    adapter.failShort = true;
    EXPECT_EQ(channel.ReadSPI(2, buffer), static_cast<FT_STATUS>(FT_IO_ERROR))
        << "fewer bytes than asked is a failure, whatever the status";
    EXPECT_EQ(channel.FailedTransfers(), 2u);
    EXPECT_EQ(rated.FailedTransfers(), 0u);
    chip::TASensDig sens(channel, clock);
    EXPECT_EQ(sens.FailedTransfers(), 2u) << "the chip object counts through its adapter";
}

// Three channels: a single-channel adapter and both ports of a dual one.
TEST_F(UnitSPITest, ASerialNumberOrDescriptionPicksTheAdapterAmongSeveral) {
    adapter.channels = 3;
    adapter.serials = {"FTA1", "FTB2A", "FTB2B"};
    channel.SelectAdapter("ftb2");
    EXPECT_EQ(channel.InitAdapter(), 2) << "the channels of the adapter named";
    EXPECT_EQ(channel.ChannelIndex(), 1u);
    EXPECT_EQ(adapter.openedIndex, 1u);
    EXPECT_TRUE(channel.ChannelOpen());

    chip::Adapter byDescription;
    byDescription.SelectAdapter("FTA1 BOARD");
    EXPECT_EQ(byDescription.InitAdapter(), 1);
    EXPECT_EQ(adapter.openedIndex, 0u);

    chip::Adapter absent;
    absent.SelectAdapter("FTB");
    adapter.log.clear();
    EXPECT_EQ(absent.InitAdapter(), 0) << "a prefix names nothing";
    EXPECT_FALSE(absent.ChannelOpen()) << "no other adapter is opened in its place";
    uint8_t buffer[2] = {0x4F, 0x00};
    EXPECT_EQ(absent.WriteSPI(2, buffer), static_cast<FT_STATUS>(FT_INVALID_HANDLE));
    EXPECT_THAT(adapter.log, Each(::testing::AnyOf("count", "info")));
}

TEST(ChannelIsNamed, TakesThePortLetterOfADeviceWithSeveralChannels) {
    FT_DEVICE_LIST_INFO_NODE info{};
    std::snprintf(info.SerialNumber, sizeof info.SerialNumber, "FT7X1Q2BA");
    std::snprintf(info.Description, sizeof info.Description, "Dual RS232-HS A");
    EXPECT_TRUE(chip::ChannelIsNamed(info, "FT7X1Q2B"));
    EXPECT_TRUE(chip::ChannelIsNamed(info, "ft7x1q2ba"));
    EXPECT_TRUE(chip::ChannelIsNamed(info, "dual rs232-hs"));
    EXPECT_TRUE(chip::ChannelIsNamed(info, "")) << "no selection names every channel";
    EXPECT_FALSE(chip::ChannelIsNamed(info, "FT7X1Q2"));
    EXPECT_FALSE(chip::ChannelIsNamed(info, "Dual RS232-HSA"));
    std::memset(info.SerialNumber, 'Z', sizeof info.SerialNumber);  // no terminator
    EXPECT_FALSE(chip::ChannelIsNamed(info, "ZZZZ"));
    EXPECT_TRUE(chip::ChannelIsNamed(info, std::string(16, 'Z')));
}

}  // namespace
