#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "chip/UnitFTDI.h"

namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

std::filesystem::path StubLibrary(const std::string& name) {
    return std::filesystem::u8path(QX_STUB_LIBRARY_DIR) / (QX_STUB_PREFIX + name + QX_STUB_SUFFIX);
}

class BindingTest : public ::testing::Test {
  protected:
    void SetUp() override {
        chip::SetBindingMessageSink([this](const std::string& m) { messages.push_back(m); });
    }
    void TearDown() override {
        chip::SetBindingMessageSink(nullptr);
        chip::InstallAdapterEntryPoints(chip::AdapterEntryPoints{});
    }
    std::vector<std::string> messages;
};

TEST_F(BindingTest, CompleteLibraryBindsEveryEntryWithoutMessage) {
    EXPECT_TRUE(chip::BindAdapterLibrary(StubLibrary("stub_complete")));
    EXPECT_THAT(messages, IsEmpty());
    const chip::AdapterEntryPoints& e = chip::EntryPoints();
    EXPECT_NE(e.SPI_GetNumChannels, nullptr);
    EXPECT_NE(e.SPI_IsBusy, nullptr);
    EXPECT_NE(e.FT_ReadGPIO, nullptr);
    uint32_t count = 0;
    e.SPI_GetNumChannels(&count);
    EXPECT_EQ(count, 7u) << "the entries come from that file";
}

TEST_F(BindingTest, MissingFileSaysTheLibraryWasNotLoaded) {
    EXPECT_FALSE(chip::BindAdapterLibrary(StubLibrary("no_such_library")));
    EXPECT_THAT(messages, ElementsAre(chip::kLibraryNotLoaded));
    EXPECT_EQ(chip::EntryPoints().SPI_GetNumChannels, nullptr);
}

TEST_F(BindingTest, MissingOpenChannelIsNamedAndLaterEntriesStayAbsent) {
    EXPECT_FALSE(chip::BindAdapterLibrary(StubLibrary("stub_no_open")));
    EXPECT_THAT(messages, ElementsAre(chip::kOpenChannelNotFound));
    const chip::AdapterEntryPoints& e = chip::EntryPoints();
    EXPECT_NE(e.SPI_GetChannelInfo, nullptr);
    EXPECT_EQ(e.SPI_InitChannel, nullptr);
    EXPECT_EQ(e.SPI_Write, nullptr);
}

TEST_F(BindingTest, OtherMissingEntriesGiveTheGeneralMessage) {
    EXPECT_FALSE(chip::BindAdapterLibrary(StubLibrary("stub_no_read")));
    EXPECT_FALSE(chip::BindAdapterLibrary(StubLibrary("stub_no_count")));
    EXPECT_THAT(messages, ElementsAre(chip::kFunctionNotFound, chip::kFunctionNotFound));
}

TEST_F(BindingTest, BothGpioEntriesAreLookedUpBeforeOneMessage) {
    EXPECT_FALSE(chip::BindAdapterLibrary(StubLibrary("stub_no_readgpio")));
    EXPECT_THAT(messages, ElementsAre(chip::kFunctionNotFound));
    EXPECT_NE(chip::EntryPoints().FT_WriteGPIO, nullptr);
    EXPECT_NE(chip::EntryPoints().SPI_IsBusy, nullptr);
}

TEST(BindingMessages, HeldUntilASinkIsInstalled) {
    chip::SetBindingMessageSink(nullptr);
    chip::BindAdapterLibrary(StubLibrary("no_such_library"));
    chip::BindAdapterLibrary(StubLibrary("stub_no_open"));
    std::vector<std::string> seen;
    chip::SetBindingMessageSink([&](const std::string& m) { seen.push_back(m); });
    EXPECT_THAT(seen, ElementsAre(chip::kLibraryNotLoaded, chip::kOpenChannelNotFound));
    chip::SetBindingMessageSink(nullptr);
    chip::InstallAdapterEntryPoints(chip::AdapterEntryPoints{});
}

TEST(ExecutablePath, NamesTheRunningTestBinary) {
    const std::filesystem::path path = chip::ExecutablePath();
    EXPECT_TRUE(path.is_absolute());
    EXPECT_NE(path.filename().string().find("chip_tests"), std::string::npos) << path;
}

}  // namespace
