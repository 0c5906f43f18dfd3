// A recording stand-in for the USB side of one channel: it logs every call in order (writes
// as hex bytes) and answers reads from bytes the test queues, so tests can assert the exact
// MPSSE traffic and play short reads, timeouts and an unplugged device.
#pragma once

#include <cstdio>
#include <deque>
#include <string>
#include <vector>

#include "ftdi/transport.h"

namespace ftdi::testing {

inline std::string hex(std::span<const uint8_t> bytes) {
    std::string text;
    for (const uint8_t byte : bytes) {
        char digits[4];
        std::snprintf(digits, sizeof digits, "%02X", byte);
        if (!text.empty()) text += ' ';
        text += digits;
    }
    return text;
}

class FakeTransport : public Transport {
  public:
    /// Bytes the device sends back, consumed by reads in order.
    void answer(std::vector<uint8_t> bytes) {
        pending.insert(pending.end(), bytes.begin(), bytes.end());
    }

    int write(std::span<const uint8_t> bytes, std::chrono::milliseconds timeout) override {
        lastWriteTimeout = timeout;
        written.emplace_back(bytes.begin(), bytes.end());
        log.push_back("write " + hex(bytes));
        if (unplugged) return kNoDevice;
        if (acceptOnly >= 0 && static_cast<size_t>(acceptOnly) < bytes.size()) return acceptOnly;
        return static_cast<int>(bytes.size());
    }

    int read(std::span<uint8_t> buffer, std::chrono::milliseconds timeout) override {
        lastReadTimeout = timeout;
        log.push_back("read " + std::to_string(buffer.size()));
        if (unplugged) return kNoDevice;
        size_t count = 0;
        while (count < buffer.size() && !pending.empty()) {
            buffer[count++] = pending.front();
            pending.pop_front();
        }
        return static_cast<int>(count);
    }

    int reset() override { return control("reset"); }
    int purge() override { return control("purge"); }
    int setLatencyTimer(uint8_t milliseconds) override {
        return control("latency " + std::to_string(milliseconds));
    }
    int setBitMode(uint8_t outputMask, BitMode mode) override {
        const uint8_t bytes[] = {outputMask, static_cast<uint8_t>(mode)};
        return control("bitmode " + hex(bytes));
    }

    static constexpr int kNoDevice = -4;  // what libusb reports for an unplugged device

    std::vector<std::string> log;
    std::vector<std::vector<uint8_t>> written;
    std::deque<uint8_t> pending;
    std::chrono::milliseconds lastReadTimeout{0};
    std::chrono::milliseconds lastWriteTimeout{0};
    bool unplugged = false;
    int acceptOnly = -1;  // >= 0: a write takes only this many bytes

  private:
    int control(std::string entry) {
        log.push_back(std::move(entry));
        return unplugged ? kNoDevice : 0;
    }
};

}  // namespace ftdi::testing
