#include "ftdi/libftdi_source.h"

#include <ftdi.h>
#include <libusb.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <thread>

#include "ftdi/trace.h"

namespace ftdi {
namespace {

using std::chrono::milliseconds;
using std::chrono::steady_clock;

/// A libftdi1 context; null when libusb could not start (no USB access at all).
struct ContextDeleter {
    void operator()(ftdi_context* context) const { ftdi_free(context); }
};
using Context = std::unique_ptr<ftdi_context, ContextDeleter>;

Context newContext() {
    Context context(ftdi_new());
    if (!context) trace("libusb could not be started: no USB devices can be reached");
    return context;
}

int timeoutMs(milliseconds timeout) {
    return static_cast<int>(std::clamp<milliseconds::rep>(timeout.count(), 1, INT_MAX));
}

class LibftdiTransport : public Transport {
  public:
    explicit LibftdiTransport(Context context) : context_(std::move(context)) {}
    ~LibftdiTransport() override { ftdi_usb_close(context_.get()); }

    int write(std::span<const uint8_t> bytes, milliseconds timeout) override {
        if (bytes.size() > INT_MAX) return -1;
        context_->usb_write_timeout = timeoutMs(timeout);
        const int sent =
            ftdi_write_data(context_.get(), bytes.data(), static_cast<int>(bytes.size()));
        if (sent < 0) trace("write: %s", ftdi_get_error_string(context_.get()));
        return sent;
    }

    int read(std::span<uint8_t> buffer, milliseconds timeout) override {
        if (buffer.size() > INT_MAX) return -1;
        const auto deadline = steady_clock::now() + timeout;
        const int wanted = static_cast<int>(buffer.size());
        int got = 0;
        // The chip answers every latency period, with only its two status bytes when no data
        // is ready; ftdi_read_data then returns 0 and we ask again until the deadline.
        while (got < wanted) {
            const auto left =
                std::chrono::duration_cast<milliseconds>(deadline - steady_clock::now());
            if (left.count() <= 0) break;
            context_->usb_read_timeout = timeoutMs(left);
            const int count = ftdi_read_data(context_.get(), buffer.data() + got, wanted - got);
            if (count < 0) {
                trace("read: %s", ftdi_get_error_string(context_.get()));
                return count;
            }
            got += count;
        }
        return got;
    }

    int reset() override { return check(ftdi_usb_reset(context_.get()), "reset"); }
    int purge() override { return check(ftdi_tcioflush(context_.get()), "purge"); }
    int setLatencyTimer(uint8_t milliseconds) override {
        return check(ftdi_set_latency_timer(context_.get(), milliseconds), "latency timer");
    }
    int setBitMode(uint8_t outputMask, BitMode mode) override {
        const int result =
            check(ftdi_set_bitmode(context_.get(), outputMask, static_cast<unsigned char>(mode)),
                  "bit mode");
        // FTDI's application note AN_135 lets the engine settle before the first command.
        if (result >= 0 && mode == BitMode::Mpsse) std::this_thread::sleep_for(milliseconds{50});
        return result;
    }

  private:
    int check(int result, const char* what) {
        if (result < 0) trace("%s: %s", what, ftdi_get_error_string(context_.get()));
        return result;
    }

    Context context_;
};

struct ListDeleter {
    void operator()(ftdi_device_list* list) const { ftdi_list_free2(list); }
};
using DeviceList = std::unique_ptr<ftdi_device_list, ListDeleter>;

DeviceList findAll(ftdi_context* context, uint16_t productId) {
    ftdi_device_list* list = nullptr;
    const int found = ftdi_usb_find_all(context, &list, kFtdiVendorId, productId);
    if (found < 0) {
        trace("enumeration of 0403:%04x failed: %s", productId, ftdi_get_error_string(context));
        ftdi_list_free2(list);
        return nullptr;
    }
    return DeviceList(list);
}

[[gnu::constructor]] void announce() {
    if (traceEnabled()) {
        trace("loaded, the libftdi1 backend (libftdi %s)", ftdi_get_library_version().version_str);
    }
}

}  // namespace

std::vector<UsbDevice> LibftdiSource::scan() {
    std::vector<UsbDevice> devices;
    const Context context = newContext();
    if (!context) return devices;
    for (const uint16_t productId : kMpsseProductIds) {
        const DeviceList list = findAll(context.get(), productId);
        for (const ftdi_device_list* node = list.get(); node != nullptr; node = node->next) {
            libusb_device_descriptor descriptor{};
            if (libusb_get_device_descriptor(node->dev, &descriptor) != 0) continue;
            UsbDevice device;
            device.vendorId = descriptor.idVendor;
            device.productId = descriptor.idProduct;
            device.bcdDevice = descriptor.bcdDevice;
            device.bus = libusb_get_bus_number(node->dev);
            device.address = libusb_get_device_address(node->dev);
            char description[128] = {};
            char serial[128] = {};
            if (ftdi_usb_get_strings(context.get(), node->dev, nullptr, 0, description,
                                     sizeof description, serial, sizeof serial) == 0) {
                device.description = description;
                device.serialNumber = serial;
            } else {
                trace("strings of device %u:%u unreadable (%s); check the udev rule", device.bus,
                      device.address, ftdi_get_error_string(context.get()));
            }
            devices.push_back(std::move(device));
        }
    }
    return devices;
}

std::unique_ptr<Transport> LibftdiSource::open(const ChannelEntry& channel, FT_STATUS& status) {
    status = FT_DEVICE_NOT_OPENED;
    Context context = newContext();
    if (!context) return nullptr;
    if (ftdi_set_interface(context.get(), channel.port == 0 ? INTERFACE_A : INTERFACE_B) < 0) {
        return nullptr;
    }
    const DeviceList list = findAll(context.get(), channel.device.productId);
    const ftdi_device_list* node = list.get();
    while (node != nullptr && (libusb_get_bus_number(node->dev) != channel.device.bus ||
                               libusb_get_device_address(node->dev) != channel.device.address)) {
        node = node->next;
    }
    if (node == nullptr) {
        status = FT_DEVICE_NOT_FOUND;
        return nullptr;
    }
    // libftdi1 detaches the kernel's serial driver from the interface and claims it.
    if (ftdi_usb_open_dev(context.get(), node->dev) < 0) {
        trace("open of device %u:%u port %c failed: %s", channel.device.bus, channel.device.address,
              'A' + channel.port, ftdi_get_error_string(context.get()));
        return nullptr;
    }
    status = FT_OK;
    return std::make_unique<LibftdiTransport>(std::move(context));
}

std::unique_ptr<DeviceSource> MakeDeviceSource() {
    return std::make_unique<LibftdiSource>();
}

}  // namespace ftdi
