#include "ftdi/device_catalog.h"

#include <algorithm>
#include <cstring>

namespace ftdi {
namespace {

const char* chipName(ChipKind kind) {
    switch (kind) {
        case ChipKind::FT232H:
            return "FT232H";
        case ChipKind::FT2232H:
            return "FT2232H";
        case ChipKind::FT4232H:
            return "FT4232H";
        case ChipKind::FT2232D:
            return "FT2232D";
    }
    return "";
}

uint32_t deviceType(ChipKind kind) {
    switch (kind) {
        case ChipKind::FT232H:
            return FT_DEVICE_232H;
        case ChipKind::FT2232H:
            return FT_DEVICE_2232H;
        case ChipKind::FT4232H:
            return FT_DEVICE_4232H;
        case ChipKind::FT2232D:
            return FT_DEVICE_2232C;
    }
    return FT_DEVICE_UNKNOWN;
}

bool hasSeveralPorts(ChipKind kind) {
    return kind != ChipKind::FT232H;
}

template <size_t N>
void copyText(char (&target)[N], const std::string& text) {
    const size_t length = std::min(text.size(), N - 1);
    std::memcpy(target, text.data(), length);
    std::memset(target + length, 0, N - length);
}

}  // namespace

std::optional<ChipKind> chipKindOf(uint16_t bcdDevice) {
    switch (bcdDevice) {
        case 0x0500:
            return ChipKind::FT2232D;
        case 0x0700:
            return ChipKind::FT2232H;
        case 0x0800:
            return ChipKind::FT4232H;
        case 0x0900:
            return ChipKind::FT232H;
        default:
            return std::nullopt;
    }
}

int mpssePortCount(ChipKind kind) {
    return kind == ChipKind::FT2232H || kind == ChipKind::FT4232H ? 2 : 1;
}

ChipFamily familyOf(ChipKind kind) {
    return kind == ChipKind::FT2232D ? ChipFamily::FT2232D : ChipFamily::HSeries;
}

std::vector<ChannelEntry> mpsseChannelsOf(std::span<const UsbDevice> devices) {
    std::vector<ChannelEntry> channels;
    for (const UsbDevice& device : devices) {
        if (device.vendorId != kFtdiVendorId) continue;
        const std::optional<ChipKind> kind = chipKindOf(device.bcdDevice);
        if (!kind) continue;
        for (int port = 0; port < mpssePortCount(*kind); ++port) {
            channels.push_back({device, *kind, port});
        }
    }
    return channels;
}

void fillChannelInfo(const ChannelEntry& entry, FT_HANDLE openHandle,
                     FT_DEVICE_LIST_INFO_NODE& info) {
    info = {};
    info.Flags = (openHandle != nullptr ? FT_FLAGS_OPENED : 0u) |
                 (familyOf(entry.kind) == ChipFamily::HSeries ? FT_FLAGS_HISPEED : 0u);
    info.Type = deviceType(entry.kind);
    info.ID = uint32_t{entry.device.vendorId} << 16 | entry.device.productId;
    info.LocId = uint32_t{entry.device.bus} << 12 | uint32_t{entry.device.address} << 4 |
                 static_cast<uint32_t>(entry.port + 1);

    std::string serial = entry.device.serialNumber;
    std::string description =
        entry.device.description.empty() ? chipName(entry.kind) : entry.device.description;
    if (hasSeveralPorts(entry.kind)) {
        const char letter = static_cast<char>('A' + entry.port);
        if (!serial.empty()) serial += letter;
        description += ' ';
        description += letter;
    }
    copyText(info.SerialNumber, serial);
    copyText(info.Description, description);
    info.ftHandle = openHandle;
}

}  // namespace ftdi
