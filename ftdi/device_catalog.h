// Which attached FTDI devices offer MPSSE channels, and how one channel is described in the
// library's channel information record.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "chip/I2Cdeclarations.h"
#include "ftdi/mpsse_channel.h"

namespace ftdi {

inline constexpr uint16_t kFtdiVendorId = 0x0403;
/// The product IDs with MPSSE chips: FT232H, FT2232D/FT2232H, FT4232H.
inline constexpr uint16_t kMpsseProductIds[] = {0x6014, 0x6010, 0x6011};

enum class ChipKind { FT232H, FT2232H, FT4232H, FT2232D };

/// One attached device as USB enumeration sees it.
struct UsbDevice {
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    uint16_t bcdDevice = 0;  // the chip generation, as libftdi1 itself decides it
    uint8_t bus = 0;
    uint8_t address = 0;
    std::string serialNumber;  // empty when the strings could not be read
    std::string description;
};

/// One MPSSE channel: a device and one of its ports (0 = A, 1 = B).
struct ChannelEntry {
    UsbDevice device;
    ChipKind kind = ChipKind::FT232H;
    int port = 0;

    bool sameChannelAs(const ChannelEntry& other) const {
        return device.bus == other.device.bus && device.address == other.device.address &&
               port == other.port;
    }
};

/// The chip of an FTDI device from its bcdDevice; nothing for chips without MPSSE.
std::optional<ChipKind> chipKindOf(uint16_t bcdDevice);
/// MPSSE ports of a chip: FT232H and FT2232D one (A), FT2232H and FT4232H two (A, B).
int mpssePortCount(ChipKind kind);
ChipFamily familyOf(ChipKind kind);

/// Every MPSSE channel of `devices`, in enumeration order, ports in order.
std::vector<ChannelEntry> mpsseChannelsOf(std::span<const UsbDevice> devices);

/// Fills the channel information record: type, ID (VID << 16 | PID), location
/// (bus << 12 | address << 4 | port number), serial number and description (with the port
/// letter on multi-port chips), flags and the open handle (null when not open here).
void fillChannelInfo(const ChannelEntry& entry, FT_HANDLE openHandle,
                     FT_DEVICE_LIST_INFO_NODE& info);

}  // namespace ftdi
