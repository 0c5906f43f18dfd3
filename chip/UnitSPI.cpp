#include "chip/UnitSPI.h"

#include <utility>

#include "chip/UnitFTDI.h"

namespace chip {

Adapter::Adapter(ClockRateSource clockRate) : clockRate_(std::move(clockRate)) {}

void Adapter::OpenAndConfigure() {
    const AdapterEntryPoints& library = EntryPoints();
    FT_HANDLE handle = nullptr;
    if (library.SPI_OpenChannel == nullptr) return;
    if (library.SPI_OpenChannel(channelIndex_, &handle) != FT_OK) handle = nullptr;
    handle_ = handle;
    if (handle_ != nullptr && library.SPI_InitChannel != nullptr) {
        library.SPI_InitChannel(handle_, &config_);
    }
}

bool Adapter::EnsureOpen() {
    if (handle_ == nullptr && !closed_) OpenAndConfigure();
    return handle_ != nullptr;
}

// A transfer that moved fewer bytes than asked did not complete either, whatever the status.
FT_STATUS Adapter::Counted(FT_STATUS status, uint32_t transferred, uint32_t size) {
    if (status == FT_OK && transferred < size) status = FT_IO_ERROR;
    if (status != FT_OK) ++failedTransfers_;
    return status;
}

uint8_t Adapter::InitAdapter() {
    const AdapterEntryPoints& library = EntryPoints();
    channelIndex_ = 0;
    closed_ = false;
    config_.ClockRate = clockRate_ ? clockRate_() : kDesignClockRate;
    config_.LatencyTimer = 1;
    config_.configOptions =
        SPI_CONFIG_OPTION_MODE0 | SPI_CONFIG_OPTION_CS_DBUS3 | SPI_CONFIG_OPTION_CS_ACTIVELOW;
    config_.Pin = 0;

    // ftHandle is the channel's handle while channel 0 is open in this process; it counts
    // only when the call succeeds.
    FT_DEVICE_LIST_INFO_NODE info{};
    FT_HANDLE handle = nullptr;
    if (library.SPI_GetChannelInfo != nullptr &&
        library.SPI_GetChannelInfo(channelIndex_, &info) == FT_OK) {
        handle = info.ftHandle;
    }
    handle_ = handle;
    // An open channel is neither reopened nor reconfigured.
    if (handle_ == nullptr) OpenAndConfigure();
    if (handle_ != nullptr && library.FT_WriteGPIO != nullptr) {
        library.FT_WriteGPIO(handle_, 0xFF, 0x10);
    }
    uint32_t channels = 0;
    if (library.SPI_GetNumChannels != nullptr && library.SPI_GetNumChannels(&channels) != FT_OK) {
        channels = 0;
    }
    return static_cast<uint8_t>(channels & 0xFF);
}

void Adapter::CloseAdapter() {
    const AdapterEntryPoints& library = EntryPoints();
    if (handle_ != nullptr && library.SPI_CloseChannel != nullptr) {
        library.SPI_CloseChannel(handle_);
    }
    handle_ = nullptr;
    closed_ = true;
}

FT_STATUS Adapter::ReadSPI(uint32_t size, uint8_t* buffer) {
    const AdapterEntryPoints& library = EntryPoints();
    if (!EnsureOpen() || library.SPI_Read == nullptr) return Counted(FT_INVALID_HANDLE, 0, size);
    uint32_t transferred = 0;
    const FT_STATUS status =
        library.SPI_Read(handle_, buffer, size, &transferred, kTransferOptions);
    return Counted(status, transferred, size);
}

FT_STATUS Adapter::WriteSPI(uint32_t size, uint8_t* buffer) {
    const AdapterEntryPoints& library = EntryPoints();
    if (!EnsureOpen() || library.SPI_Write == nullptr) return Counted(FT_INVALID_HANDLE, 0, size);
    uint32_t transferred = 0;
    const FT_STATUS status =
        library.SPI_Write(handle_, buffer, size, &transferred, kTransferOptions);
    return Counted(status, transferred, size);
}

void Adapter::SetAdapterGPIO(uint8_t PortDir, uint8_t PortState) {
    const AdapterEntryPoints& library = EntryPoints();
    if (!EnsureOpen() || library.FT_WriteGPIO == nullptr) return;
    library.FT_WriteGPIO(handle_, PortDir, PortState);
}

}  // namespace chip
