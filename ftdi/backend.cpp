#include "ftdi/backend.h"

#include <algorithm>

#include "ftdi/trace.h"

namespace ftdi {

Backend::~Backend() {
    closeAll();
}

std::vector<ChannelEntry> Backend::scanChannels() {
    return mpsseChannelsOf(source_.scan());
}

Backend::OpenChannel* Backend::find(FT_HANDLE handle) {
    if (handle == nullptr) return nullptr;
    const auto it = std::find_if(open_.begin(), open_.end(), [handle](const auto& channel) {
        return channel->handle == handle;
    });
    return it == open_.end() ? nullptr : it->get();
}

FT_HANDLE Backend::handleOf(const ChannelEntry& entry) const {
    for (const auto& channel : open_) {
        if (channel->entry.sameChannelAs(entry)) return channel->handle;
    }
    return nullptr;
}

FT_STATUS Backend::getNumChannels(uint32_t* count) {
    if (count == nullptr) return FT_INVALID_PARAMETER;
    std::lock_guard lock(mutex_);
    *count = static_cast<uint32_t>(scanChannels().size());
    return FT_OK;
}

FT_STATUS Backend::getChannelInfo(uint32_t index, FT_DEVICE_LIST_INFO_NODE* info) {
    if (info == nullptr) return FT_INVALID_PARAMETER;
    std::lock_guard lock(mutex_);
    const std::vector<ChannelEntry> channels = scanChannels();
    if (index >= channels.size()) return FT_DEVICE_NOT_FOUND;
    fillChannelInfo(channels[index], handleOf(channels[index]), *info);
    return FT_OK;
}

FT_STATUS Backend::openChannel(uint32_t index, FT_HANDLE* handle) {
    if (handle == nullptr) return FT_INVALID_PARAMETER;
    std::lock_guard lock(mutex_);
    const std::vector<ChannelEntry> channels = scanChannels();
    if (index >= channels.size()) {
        trace("no MPSSE channel %u (%zu found)", index, channels.size());
        return FT_DEVICE_NOT_FOUND;
    }
    const ChannelEntry& entry = channels[index];
    if (handleOf(entry) != nullptr) {
        trace("channel %u is already open", index);
        return FT_DEVICE_NOT_OPENED;
    }
    FT_STATUS status = FT_DEVICE_NOT_OPENED;
    std::unique_ptr<Transport> transport = source_.open(entry, status);
    if (!transport) return status == FT_OK ? FT_STATUS{FT_DEVICE_NOT_OPENED} : status;
    auto mpsse = std::make_unique<MpsseChannel>(*transport, familyOf(entry.kind));
    if (status = mpsse->open(); status != FT_OK) return status;

    const auto newHandle = reinterpret_cast<FT_HANDLE>(++lastHandle_);
    open_.push_back(std::make_unique<OpenChannel>(
        OpenChannel{newHandle, entry, std::move(transport), std::move(mpsse)}));
    *handle = newHandle;
    return FT_OK;
}

FT_STATUS Backend::initChannel(FT_HANDLE handle, const ChannelConfig* config) {
    std::lock_guard lock(mutex_);
    OpenChannel* channel = find(handle);
    if (channel == nullptr) return FT_INVALID_HANDLE;
    if (config == nullptr) return FT_INVALID_PARAMETER;
    return channel->mpsse->init(*config);
}

FT_STATUS Backend::closeChannel(FT_HANDLE handle) {
    std::lock_guard lock(mutex_);
    OpenChannel* channel = find(handle);
    if (channel == nullptr) return FT_INVALID_HANDLE;
    const FT_STATUS status = channel->mpsse->close();
    std::erase_if(open_, [channel](const auto& open) { return open.get() == channel; });
    return status;
}

FT_STATUS Backend::read(FT_HANDLE handle, uint8_t* buffer, uint32_t size, uint32_t* transferred,
                        uint32_t options) {
    std::lock_guard lock(mutex_);
    OpenChannel* channel = find(handle);
    if (channel == nullptr) {
        if (transferred != nullptr) *transferred = 0;
        return FT_INVALID_HANDLE;
    }
    return channel->mpsse->read(buffer, size, transferred, options);
}

FT_STATUS Backend::write(FT_HANDLE handle, const uint8_t* buffer, uint32_t size,
                         uint32_t* transferred, uint32_t options) {
    std::lock_guard lock(mutex_);
    OpenChannel* channel = find(handle);
    if (channel == nullptr) {
        if (transferred != nullptr) *transferred = 0;
        return FT_INVALID_HANDLE;
    }
    return channel->mpsse->write(buffer, size, transferred, options);
}

FT_STATUS Backend::readWrite(FT_HANDLE handle, uint8_t* inBuffer, const uint8_t* outBuffer,
                             uint32_t size, uint32_t* transferred, uint32_t options) {
    std::lock_guard lock(mutex_);
    OpenChannel* channel = find(handle);
    if (channel == nullptr) {
        if (transferred != nullptr) *transferred = 0;
        return FT_INVALID_HANDLE;
    }
    return channel->mpsse->readWrite(inBuffer, outBuffer, size, transferred, options);
}

FT_STATUS Backend::isBusy(FT_HANDLE handle, int* state) {
    std::lock_guard lock(mutex_);
    if (find(handle) == nullptr) return FT_INVALID_HANDLE;
    if (state == nullptr) return FT_INVALID_PARAMETER;
    // Every transfer has finished by the time its call returns.
    *state = 0;
    return FT_OK;
}

FT_STATUS Backend::writeGpio(FT_HANDLE handle, uint8_t direction, uint8_t value) {
    std::lock_guard lock(mutex_);
    OpenChannel* channel = find(handle);
    if (channel == nullptr) return FT_INVALID_HANDLE;
    return channel->mpsse->writeGpio(direction, value);
}

FT_STATUS Backend::readGpio(FT_HANDLE handle, uint8_t* value) {
    std::lock_guard lock(mutex_);
    OpenChannel* channel = find(handle);
    if (channel == nullptr) return FT_INVALID_HANDLE;
    return channel->mpsse->readGpio(value);
}

void Backend::closeAll() {
    std::lock_guard lock(mutex_);
    for (const auto& channel : open_) channel->mpsse->close();
    open_.clear();
}

}  // namespace ftdi
