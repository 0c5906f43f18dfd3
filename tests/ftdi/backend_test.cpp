// The library's channel bookkeeping: which channels attached chips offer, what the channel
// record says, and how handles behave when they are open, closed, stale or unplugged.
#include "ftdi/backend.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <string>

#include "fake_transport.h"

namespace ftdi {
namespace {

using ::testing::Each;
using testing::FakeTransport;

constexpr uint32_t kFramed = 6;

UsbDevice device(uint16_t productId, uint16_t bcdDevice, uint8_t address,
                 std::string serial = "FT7X1Q2B", std::string description = "USB <-> Serial") {
    return {kFtdiVendorId,         productId, bcdDevice, 3, address, std::move(serial),
            std::move(description)};
}
const UsbDevice kFT232H = device(0x6014, 0x0900, 11, "FT7X1Q2B", "Single RS232-HS");
const UsbDevice kFT2232H = device(0x6010, 0x0700, 12, "FTB2", "Dual RS232-HS");
const UsbDevice kFT4232H = device(0x6011, 0x0800, 13, "FTC4", "Quad RS232-HS");
const UsbDevice kFT2232D = device(0x6010, 0x0500, 14, "FTD2", "Dual RS232");
const UsbDevice kFT232R = device(0x6001, 0x0600, 15);

/// Devices the test attaches; every opened port gets a fake transport whose engine answers.
class FakeSource : public DeviceSource {
  public:
    std::vector<UsbDevice> scan() override { return attached; }
    std::unique_ptr<Transport> open(const ChannelEntry&, FT_STATUS& status) override {
        ++opens;
        if (refuseOpen != FT_OK) {
            status = refuseOpen;
            return nullptr;
        }
        auto transport = std::make_unique<FakeTransport>();
        transport->answer({0xFA, 0xAA});
        lastTransport = transport.get();
        status = FT_OK;
        return transport;
    }

    std::vector<UsbDevice> attached;
    FT_STATUS refuseOpen = FT_OK;
    FakeTransport* lastTransport = nullptr;
    int opens = 0;
};

struct BackendTest : ::testing::Test {
    FakeSource source;
    Backend backend{source};

    uint32_t channelCount() {
        uint32_t count = 99;
        EXPECT_EQ(backend.getNumChannels(&count), FT_OK);
        return count;
    }
    FT_DEVICE_LIST_INFO_NODE info(uint32_t index) {
        FT_DEVICE_LIST_INFO_NODE node{};
        EXPECT_EQ(backend.getChannelInfo(index, &node), FT_OK);
        return node;
    }
    FT_HANDLE open(uint32_t index) {
        FT_HANDLE handle = nullptr;
        EXPECT_EQ(backend.openChannel(index, &handle), FT_OK);
        return handle;
    }
};

TEST_F(BackendTest, CountsTheMpsseChannelsOfEachChip) {
    struct Case {
        std::vector<UsbDevice> devices;
        uint32_t channels;
    };
    const Case cases[] = {
        {{}, 0},         {{kFT232H}, 1},
        {{kFT2232H}, 2}, {{kFT4232H}, 2},  // ports C and D have no MPSSE
        {{kFT2232D}, 1},                   // only port A has one
        {{kFT232R}, 0},  {{kFT232H, kFT2232H, kFT4232H, kFT2232D, kFT232R}, 6},
    };
    for (const Case& c : cases) {
        source.attached = c.devices;
        EXPECT_EQ(channelCount(), c.channels);
    }
}

TEST_F(BackendTest, ChannelRecordDescribesTheDeviceAndPort) {
    struct Case {
        UsbDevice device;
        uint32_t index;
        uint32_t type;
        uint32_t id;
        uint32_t location;
        const char* serial;
        const char* description;
        uint32_t flags;
    };
    const Case cases[] = {
        {kFT232H, 0, FT_DEVICE_232H, 0x04036014, 0x30B1, "FT7X1Q2B", "Single RS232-HS",
         FT_FLAGS_HISPEED},
        {kFT2232H, 1, FT_DEVICE_2232H, 0x04036010, 0x30C2, "FTB2B", "Dual RS232-HS B",
         FT_FLAGS_HISPEED},
        {kFT4232H, 0, FT_DEVICE_4232H, 0x04036011, 0x30D1, "FTC4A", "Quad RS232-HS A",
         FT_FLAGS_HISPEED},
        {kFT2232D, 0, FT_DEVICE_2232C, 0x04036010, 0x30E1, "FTD2A", "Dual RS232 A", 0},
        // Strings unreadable (no access): the chip's name stands in.
        {device(0x6010, 0x0700, 16, "", ""), 0, FT_DEVICE_2232H, 0x04036010, 0x3101, "",
         "FT2232H A", FT_FLAGS_HISPEED},
    };
    for (const Case& c : cases) {
        source.attached = {c.device};
        const FT_DEVICE_LIST_INFO_NODE node = info(c.index);
        EXPECT_EQ(node.Type, c.type);
        EXPECT_EQ(node.ID, c.id);
        EXPECT_EQ(node.LocId, c.location);
        EXPECT_STREQ(node.SerialNumber, c.serial);
        EXPECT_STREQ(node.Description, c.description);
        EXPECT_EQ(node.Flags, c.flags);
        EXPECT_EQ(node.ftHandle, nullptr);
    }
}

TEST_F(BackendTest, OverlongStringsAreCutAndTerminated) {
    source.attached = {device(0x6014, 0x0900, 11, std::string(40, 'S'), std::string(100, 'D'))};
    const FT_DEVICE_LIST_INFO_NODE node = info(0);
    EXPECT_EQ(std::string(node.SerialNumber), std::string(15, 'S'));
    EXPECT_EQ(std::string(node.Description), std::string(63, 'D'));
}

TEST_F(BackendTest, RecordCarriesTheHandleOnlyWhileTheChannelIsOpen) {
    source.attached = {kFT2232H};
    const FT_HANDLE handle = open(1);
    ASSERT_NE(handle, nullptr);
    EXPECT_EQ(info(1).ftHandle, handle);
    EXPECT_EQ(info(1).Flags, FT_FLAGS_HISPEED | FT_FLAGS_OPENED);
    EXPECT_EQ(info(0).ftHandle, nullptr);
    EXPECT_EQ(backend.closeChannel(handle), FT_OK);
    EXPECT_EQ(info(1).ftHandle, nullptr);
}

TEST_F(BackendTest, MissingChannelIsNotFoundAndLeavesTheHandle) {
    source.attached = {kFT232H};
    FT_HANDLE handle = reinterpret_cast<FT_HANDLE>(0x77);
    EXPECT_EQ(backend.openChannel(1, &handle), FT_DEVICE_NOT_FOUND);
    EXPECT_EQ(handle, reinterpret_cast<FT_HANDLE>(0x77));
    FT_DEVICE_LIST_INFO_NODE node{};
    EXPECT_EQ(backend.getChannelInfo(1, &node), FT_DEVICE_NOT_FOUND);
    EXPECT_EQ(backend.openChannel(0, nullptr), FT_INVALID_PARAMETER);
    EXPECT_EQ(backend.getChannelInfo(0, nullptr), FT_INVALID_PARAMETER);
    EXPECT_EQ(backend.getNumChannels(nullptr), FT_INVALID_PARAMETER);
    EXPECT_EQ(source.opens, 0);
}

TEST_F(BackendTest, OpenChannelIsNotOpenedTwice) {
    source.attached = {kFT232H};
    open(0);
    FT_HANDLE second = nullptr;
    EXPECT_EQ(backend.openChannel(0, &second), FT_DEVICE_NOT_OPENED);
    EXPECT_EQ(second, nullptr);
    EXPECT_EQ(source.opens, 1);
}

TEST_F(BackendTest, RefusedOpenGivesNoHandle) {
    source.attached = {kFT232H};
    source.refuseOpen = FT_DEVICE_NOT_OPENED;
    FT_HANDLE handle = nullptr;
    EXPECT_EQ(backend.openChannel(0, &handle), FT_DEVICE_NOT_OPENED);
    EXPECT_EQ(handle, nullptr);
    EXPECT_EQ(info(0).ftHandle, nullptr);
}

TEST_F(BackendTest, OpenConfiguresTheChannelTheToolAsksFor) {
    source.attached = {kFT232H};
    const FT_HANDLE handle = open(0);
    ChannelConfig config{1000, 1, 0x20, 0, 0};
    EXPECT_EQ(backend.initChannel(handle, &config), FT_OK);
    EXPECT_EQ(backend.writeGpio(handle, 0xFF, 0x10), FT_OK);
    EXPECT_EQ(source.lastTransport->log.back(), "write 82 10 FF");
    EXPECT_EQ(backend.initChannel(handle, nullptr), FT_INVALID_PARAMETER);
}

TEST_F(BackendTest, ClosedAndUnknownHandlesAreInvalidAndTouchNothing) {
    source.attached = {kFT232H};
    const FT_HANDLE closed = open(0);
    ASSERT_EQ(backend.closeChannel(closed), FT_OK);
    const FT_HANDLE reopened = open(0);
    EXPECT_NE(reopened, closed) << "a handle is never given out twice";

    for (const FT_HANDLE handle :
         {closed, FT_HANDLE{nullptr}, reinterpret_cast<FT_HANDLE>(0xBAD)}) {
        std::array<uint8_t, 2> buffer{0x5A, 0x5A};
        uint32_t transferred = 9;
        EXPECT_EQ(backend.read(handle, buffer.data(), 2, &transferred, kFramed), FT_INVALID_HANDLE);
        EXPECT_EQ(transferred, 0u);
        EXPECT_EQ(backend.readWrite(handle, buffer.data(), buffer.data(), 2, &transferred, kFramed),
                  FT_INVALID_HANDLE);
        EXPECT_EQ(backend.write(handle, buffer.data(), 2, &transferred, kFramed),
                  FT_INVALID_HANDLE);
        EXPECT_EQ(backend.readGpio(handle, buffer.data()), FT_INVALID_HANDLE);
        EXPECT_THAT(buffer, Each(0x5A));
        ChannelConfig config{};
        EXPECT_EQ(backend.initChannel(handle, &config), FT_INVALID_HANDLE);
        EXPECT_EQ(backend.writeGpio(handle, 0, 0), FT_INVALID_HANDLE);
        int busy = 5;
        EXPECT_EQ(backend.isBusy(handle, &busy), FT_INVALID_HANDLE);
        EXPECT_EQ(busy, 5);
        EXPECT_EQ(backend.closeChannel(handle), FT_INVALID_HANDLE);
    }
    EXPECT_EQ(info(0).ftHandle, reopened);
}

TEST_F(BackendTest, NeverBusyOnceACallHasReturned) {
    source.attached = {kFT232H};
    const FT_HANDLE handle = open(0);
    int busy = 1;
    EXPECT_EQ(backend.isBusy(handle, &busy), FT_OK);
    EXPECT_EQ(busy, 0);
}

TEST_F(BackendTest, UnpluggedChannelFailsTransfersAndStillCloses) {
    source.attached = {kFT232H};
    const FT_HANDLE handle = open(0);
    source.lastTransport->unplugged = true;
    source.attached.clear();

    std::array<uint8_t, 2> buffer{0x5A, 0x5A};
    uint32_t transferred = 9;
    EXPECT_EQ(backend.read(handle, buffer.data(), 2, &transferred, kFramed), FT_IO_ERROR);
    EXPECT_THAT(buffer, Each(0x5A));
    EXPECT_EQ(channelCount(), 0u);
    EXPECT_EQ(backend.closeChannel(handle), FT_IO_ERROR);
    EXPECT_EQ(backend.closeChannel(handle), FT_INVALID_HANDLE) << "the handle was released";

    source.attached = {kFT232H};  // plugged in again
    EXPECT_NE(open(0), nullptr);
}

TEST_F(BackendTest, CloseAllReleasesEveryChannel) {
    source.attached = {kFT2232H};
    const FT_HANDLE a = open(0);
    const FT_HANDLE b = open(1);
    backend.closeAll();
    EXPECT_EQ(backend.closeChannel(a), FT_INVALID_HANDLE);
    EXPECT_EQ(backend.closeChannel(b), FT_INVALID_HANDLE);
    EXPECT_EQ(info(0).ftHandle, nullptr);
}

}  // namespace
}  // namespace ftdi
