// Where the adapter library's devices come from: USB through libftdi1 in the library that
// ships, the MPSSE engine model in the test library. Both are built from the same entry
// points, which know devices only through this interface.
#pragma once

#include <memory>
#include <vector>

#include "chip/I2Cdeclarations.h"
#include "ftdi/device_catalog.h"
#include "ftdi/transport.h"

namespace ftdi {

class DeviceSource {
  public:
    virtual ~DeviceSource() = default;
    /// The attached devices; empty when USB cannot be used at all.
    virtual std::vector<UsbDevice> scan() = 0;
    /// Opens one port of a device for this process; null with `status` set on failure.
    virtual std::unique_ptr<Transport> open(const ChannelEntry& channel, FT_STATUS& status) = 0;
};

/// The source the entry points run over, made on their first call. Each adapter library
/// defines it once: ftdi/libftdi_source.cpp for USB, mpsse_model/model_entry.cpp for the model.
std::unique_ptr<DeviceSource> MakeDeviceSource();

}  // namespace ftdi
