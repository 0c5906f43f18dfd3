#include "chip/UnitSPI.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstring>
#include <utility>

#include "chip/UnitFTDI.h"

namespace chip {

Adapter::Adapter(ClockRateSource clockRate) : clockRate_(std::move(clockRate)) {}

namespace {

bool SameText(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

// `text` is `name`, or `name` with a port letter after it (with `separator` in between).
bool NamesPort(std::string_view text, std::string_view name, std::string_view separator) {
    if (SameText(text, name)) return true;
    const size_t stem = name.size() + separator.size();
    return text.size() == stem + 1 && SameText(text.substr(0, name.size()), name) &&
           text.substr(name.size(), separator.size()) == separator && text[stem] >= 'A' &&
           text[stem] <= 'D';
}

template <size_t N>
std::string_view Field(const char (&text)[N]) {
    return {text, strnlen(text, N)};
}

}  // namespace

bool ChannelIsNamed(const FT_DEVICE_LIST_INFO_NODE& info, std::string_view selector) {
    if (selector.empty()) return true;
    return NamesPort(Field(info.SerialNumber), selector, "") ||
           NamesPort(Field(info.Description), selector, " ");
}

uint32_t Adapter::FindSelectedChannel() {
    channelIndex_ = nth_;
    selectedMissing_ = false;
    if (selector_.empty()) return 0;
    const AdapterEntryPoints& library = EntryPoints();
    uint32_t listed = 0;
    if (library.SPI_GetNumChannels == nullptr || library.SPI_GetChannelInfo == nullptr ||
        library.SPI_GetNumChannels(&listed) != FT_OK) {
        listed = 0;
    }
    uint32_t named = 0;
    for (uint32_t index = 0; index < listed; ++index) {
        FT_DEVICE_LIST_INFO_NODE info{};
        if (library.SPI_GetChannelInfo(index, &info) != FT_OK || !ChannelIsNamed(info, selector_))
            continue;
        if (named++ == nth_) channelIndex_ = index;
    }
    selectedMissing_ = named <= nth_;
    return named;
}

void Adapter::OpenAndConfigure() {
    const AdapterEntryPoints& library = EntryPoints();
    FT_HANDLE handle = nullptr;
    if (library.SPI_OpenChannel == nullptr || selectedMissing_) return;
    if (library.SPI_OpenChannel(channelIndex_, &handle) != FT_OK) handle = nullptr;
    handle_ = handle;
    if (handle_ != nullptr && library.SPI_InitChannel != nullptr) {
        library.SPI_InitChannel(handle_, &config_);
    }
}

bool Adapter::EnsureOpen() {
    if (handle_ == nullptr && !closed_) {
        FindSelectedChannel();
        OpenAndConfigure();
    }
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
    const uint32_t named = FindSelectedChannel();
    closed_ = false;
    config_.ClockRate = clockRate_ ? clockRate_() : kDesignClockRate;
    config_.LatencyTimer = 1;
    config_.configOptions =
        SPI_CONFIG_OPTION_MODE0 | SPI_CONFIG_OPTION_CS_DBUS3 | SPI_CONFIG_OPTION_CS_ACTIVELOW;
    config_.Pin = 0;

    // ftHandle is the channel's handle while it is open in this process; it counts only when
    // the call succeeds.
    FT_DEVICE_LIST_INFO_NODE info{};
    FT_HANDLE handle = nullptr;
    if (!selectedMissing_ && library.SPI_GetChannelInfo != nullptr &&
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
    if (!selector_.empty()) channels = named;
    return static_cast<uint8_t>(channels & 0xFF);
}

FT_STATUS Adapter::SetClockRate(uint32_t hz) {
    clockRate_ = [hz] { return hz; };
    config_.ClockRate = hz;
    const AdapterEntryPoints& library = EntryPoints();
    if (handle_ == nullptr || library.SPI_InitChannel == nullptr) return FT_OK;
    const FT_STATUS status = library.SPI_InitChannel(handle_, &config_);
    return Counted(status, 1, 1);
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

FT_STATUS Adapter::ReadAngleBurst(uint32_t count, uint16_t* words, double* seconds,
                                  uint32_t& read) {
    read = 0;
    const AdapterEntryPoints& library = EntryPoints();
    if (count == 0) return FT_OK;
    if (!EnsureOpen()) return Counted(FT_INVALID_HANDLE, 0, 1);
    if (library.QX_ReadAngleBurst != nullptr) {
        const FT_STATUS status = library.QX_ReadAngleBurst(handle_, count, words, seconds, &read);
        if (read > count) read = count;
        return Counted(status, read, count);
    }
    // Single frames, timed here by the steady clock.
    using Clock = std::chrono::steady_clock;
    for (; read < count; ++read) {
        uint8_t buffer[2] = {0xFF, 0xFF};
        const Clock::time_point at = Clock::now();
        const FT_STATUS status = ReadSPI(2, buffer);
        if (status != FT_OK) return status;  // counted by ReadSPI
        words[read] = static_cast<uint16_t>(buffer[0] << 8 | buffer[1]);
        seconds[read] = std::chrono::duration<double>(at.time_since_epoch()).count();
    }
    return FT_OK;
}

bool Adapter::BurstInLibrary() {
    return EntryPoints().QX_ReadAngleBurst != nullptr;
}

void Adapter::SetAdapterGPIO(uint8_t PortDir, uint8_t PortState) {
    const AdapterEntryPoints& library = EntryPoints();
    if (!EnsureOpen() || library.FT_WriteGPIO == nullptr) return;
    library.FT_WriteGPIO(handle_, PortDir, PortState);
}

}  // namespace chip
