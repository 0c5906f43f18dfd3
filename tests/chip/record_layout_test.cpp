// The records the tool exchanges with FTDI's libMPSSE (or a library in its place) must have the
// layout of FTDI's published headers, byte for byte: a library built from those headers
// reads the tool's channel configuration and fills its channel record. On 64-bit Linux and
// Windows alike, DWORD and ULONG are 32 bits and the handle is a 64-bit pointer.
#include <gtest/gtest.h>

#include <cstddef>
#include <type_traits>

#include "chip/I2Cdeclarations.h"

namespace {

TEST(RecordLayout, ChannelConfigurationIsFtdisTwentyBytes) {
    EXPECT_EQ(sizeof(ChannelConfig), 20u);
    EXPECT_EQ(offsetof(ChannelConfig, ClockRate), 0u);
    EXPECT_EQ(offsetof(ChannelConfig, LatencyTimer), 4u);
    EXPECT_EQ(offsetof(ChannelConfig, configOptions), 8u);
    EXPECT_EQ(offsetof(ChannelConfig, Pin), 12u);
    EXPECT_EQ(offsetof(ChannelConfig, currentPinState), 16u);
    EXPECT_EQ(sizeof(ChannelConfig::currentPinState), 2u);
}

TEST(RecordLayout, DeviceListNodeHasThirtyTwoBitWordsAndAPointerHandle) {
    EXPECT_EQ(offsetof(FT_DEVICE_LIST_INFO_NODE, Flags), 0u);
    EXPECT_EQ(offsetof(FT_DEVICE_LIST_INFO_NODE, Type), 4u);
    EXPECT_EQ(offsetof(FT_DEVICE_LIST_INFO_NODE, ID), 8u);
    EXPECT_EQ(offsetof(FT_DEVICE_LIST_INFO_NODE, LocId), 12u);
    EXPECT_EQ(offsetof(FT_DEVICE_LIST_INFO_NODE, SerialNumber), 16u);
    EXPECT_EQ(offsetof(FT_DEVICE_LIST_INFO_NODE, Description), 32u);
    if (sizeof(void*) == 8) {
        EXPECT_EQ(offsetof(FT_DEVICE_LIST_INFO_NODE, ftHandle), 96u);
        EXPECT_EQ(sizeof(FT_DEVICE_LIST_INFO_NODE), 104u);
    } else {
        EXPECT_EQ(offsetof(FT_DEVICE_LIST_INFO_NODE, ftHandle), 96u);
        EXPECT_EQ(sizeof(FT_DEVICE_LIST_INFO_NODE), 100u);
    }
}

TEST(RecordLayout, BusyStateIsTheLibrarysFourByteBool) {
    // SPI_IsBusy(FT_HANDLE, BOOL*): BOOL is a 4-byte int on both systems.
    static_assert(std::is_same_v<SPI_IsBusy_t, FT_STATUS (*)(FT_HANDLE, int*)>);
    EXPECT_EQ(sizeof(int), 4u);
}

}  // namespace
