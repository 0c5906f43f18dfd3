// The adapter library's state behind its C entry points: the channels found on the USB, the
// channels open in this process and their handles. Devices come from a DeviceSource, so the
// same logic runs over libftdi1 in the library and over fakes in tests.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "chip/I2Cdeclarations.h"
#include "ftdi/device_catalog.h"
#include "ftdi/device_source.h"
#include "ftdi/mpsse_channel.h"
#include "ftdi/transport.h"

namespace ftdi {

class Backend {
  public:
    explicit Backend(DeviceSource& source) : source_(source) {}
    ~Backend();

    FT_STATUS getNumChannels(uint32_t* count);
    FT_STATUS getChannelInfo(uint32_t index, FT_DEVICE_LIST_INFO_NODE* info);
    FT_STATUS openChannel(uint32_t index, FT_HANDLE* handle);
    FT_STATUS initChannel(FT_HANDLE handle, const ChannelConfig* config);
    /// Releases the handle even when the device no longer answers (the status says so).
    FT_STATUS closeChannel(FT_HANDLE handle);

    FT_STATUS read(FT_HANDLE handle, uint8_t* buffer, uint32_t size, uint32_t* transferred,
                   uint32_t options);
    FT_STATUS write(FT_HANDLE handle, const uint8_t* buffer, uint32_t size, uint32_t* transferred,
                    uint32_t options);
    FT_STATUS readWrite(FT_HANDLE handle, uint8_t* inBuffer, const uint8_t* outBuffer,
                        uint32_t size, uint32_t* transferred, uint32_t options);
    FT_STATUS isBusy(FT_HANDLE handle, int* state);
    FT_STATUS writeGpio(FT_HANDLE handle, uint8_t direction, uint8_t value);
    FT_STATUS readGpio(FT_HANDLE handle, uint8_t* value);

    /// Closes every channel still open.
    void closeAll();

  private:
    struct OpenChannel {
        FT_HANDLE handle;
        ChannelEntry entry;
        std::unique_ptr<Transport> transport;
        std::unique_ptr<MpsseChannel> mpsse;
    };

    std::vector<ChannelEntry> scanChannels();
    OpenChannel* find(FT_HANDLE handle);
    FT_HANDLE handleOf(const ChannelEntry& entry) const;

    DeviceSource& source_;
    std::mutex mutex_;
    std::vector<std::unique_ptr<OpenChannel>> open_;
    // Handles are numbers never given out twice, so a closed handle can never reach a
    // channel opened later.
    uintptr_t lastHandle_ = 0;
};

}  // namespace ftdi
