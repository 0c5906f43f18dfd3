#include "chip/UnitSPI.h"

#include "chip/UnitFTDI.h"

namespace chip {
namespace {

struct AdapterState {
    ChannelConfig config{};
    FT_HANDLE handle = nullptr;
    uint32_t index = 0;
    // Set by CloseAdapter, cleared by InitAdapter: a closed channel is not reopened on demand.
    bool closed = false;
    std::function<uint32_t()> clockRate;
    uint64_t failedTransfers = 0;
};

AdapterState& State() {
    static AdapterState state;
    return state;
}

void OpenAndConfigure(const AdapterEntryPoints& adapter) {
    AdapterState& s = State();
    FT_HANDLE handle = nullptr;
    if (adapter.SPI_OpenChannel == nullptr) return;
    if (adapter.SPI_OpenChannel(s.index, &handle) != FT_OK) handle = nullptr;
    s.handle = handle;
    if (s.handle != nullptr && adapter.SPI_InitChannel != nullptr) {
        adapter.SPI_InitChannel(s.handle, &s.config);
    }
}

// The lazy open: a transfer with no open channel opens it with the configuration as it
// stands, except after an explicit CloseAdapter. Returns whether a handle is at hand.
bool EnsureOpen(const AdapterEntryPoints& adapter) {
    AdapterState& s = State();
    if (s.handle == nullptr && !s.closed) OpenAndConfigure(adapter);
    return s.handle != nullptr;
}

// A transfer that moved fewer bytes than asked did not complete either, whatever the status.
FT_STATUS Counted(FT_STATUS status, uint32_t transferred, uint32_t size) {
    if (status == FT_OK && transferred < size) status = FT_IO_ERROR;
    if (status != FT_OK) ++State().failedTransfers;
    return status;
}

}  // namespace

void SetClockRateProvider(std::function<uint32_t()> provider) {
    State().clockRate = std::move(provider);
}

uint32_t ChannelIndex() {
    return 0;
}

uint8_t InitAdapter() {
    const AdapterEntryPoints& adapter = Adapter();
    AdapterState& s = State();
    s.index = 0;
    s.closed = false;
    s.config.ClockRate = s.clockRate ? s.clockRate() : 1000;
    s.config.LatencyTimer = 1;
    s.config.configOptions =
        SPI_CONFIG_OPTION_MODE0 | SPI_CONFIG_OPTION_CS_DBUS3 | SPI_CONFIG_OPTION_CS_ACTIVELOW;
    s.config.Pin = 0;

    // ftHandle is the channel's handle while channel 0 is open in this process; it counts
    // only when the call succeeds.
    FT_DEVICE_LIST_INFO_NODE info{};
    FT_HANDLE handle = nullptr;
    if (adapter.SPI_GetChannelInfo != nullptr && adapter.SPI_GetChannelInfo(0, &info) == FT_OK) {
        handle = info.ftHandle;
    }
    s.handle = handle;
    // An open channel is neither reopened nor reconfigured.
    if (s.handle == nullptr) OpenAndConfigure(adapter);
    if (s.handle != nullptr && adapter.FT_WriteGPIO != nullptr) {
        adapter.FT_WriteGPIO(s.handle, 0xFF, 0x10);
    }
    uint32_t channels = 0;
    if (adapter.SPI_GetNumChannels != nullptr && adapter.SPI_GetNumChannels(&channels) != FT_OK) {
        channels = 0;
    }
    return static_cast<uint8_t>(channels & 0xFF);
}

void CloseAdapter() {
    const AdapterEntryPoints& adapter = Adapter();
    AdapterState& s = State();
    if (s.handle != nullptr && adapter.SPI_CloseChannel != nullptr) {
        adapter.SPI_CloseChannel(s.handle);
    }
    s.handle = nullptr;
    s.closed = true;
}

FT_STATUS ReadSPI(uint32_t, uint32_t size, uint8_t* buffer) {
    const AdapterEntryPoints& adapter = Adapter();
    if (!EnsureOpen(adapter) || adapter.SPI_Read == nullptr) {
        return Counted(FT_INVALID_HANDLE, 0, size);
    }
    uint32_t transferred = 0;
    const FT_STATUS status =
        adapter.SPI_Read(State().handle, buffer, size, &transferred, kTransferOptions);
    return Counted(status, transferred, size);
}

FT_STATUS WriteSPI(uint32_t, uint32_t size, uint8_t* buffer) {
    const AdapterEntryPoints& adapter = Adapter();
    if (!EnsureOpen(adapter) || adapter.SPI_Write == nullptr) {
        return Counted(FT_INVALID_HANDLE, 0, size);
    }
    uint32_t transferred = 0;
    const FT_STATUS status =
        adapter.SPI_Write(State().handle, buffer, size, &transferred, kTransferOptions);
    return Counted(status, transferred, size);
}

void SetAdapterGPIO(uint8_t PortDir, uint8_t PortState) {
    const AdapterEntryPoints& adapter = Adapter();
    if (!EnsureOpen(adapter) || adapter.FT_WriteGPIO == nullptr) return;
    adapter.FT_WriteGPIO(State().handle, PortDir, PortState);
}

bool ChannelOpen() {
    return State().handle != nullptr;
}

uint64_t FailedTransfers() {
    return State().failedTransfers;
}

void ResetAdapterState() {
    AdapterState& s = State();
    s.config = ChannelConfig{};
    s.handle = nullptr;
    s.index = 0;
    s.closed = false;
}

}  // namespace chip
