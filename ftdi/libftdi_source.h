// Devices and transports over libftdi1: the production side of DeviceSource and Transport.
#pragma once

#include "ftdi/device_source.h"

namespace ftdi {

class LibftdiSource : public DeviceSource {
  public:
    std::vector<UsbDevice> scan() override;
    std::unique_ptr<Transport> open(const ChannelEntry& channel, FT_STATUS& status) override;
};

}  // namespace ftdi
