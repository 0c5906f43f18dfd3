// The byte pipe to one MPSSE channel: what the command layer needs from the USB side. The
// libftdi1 transport implements it for real adapters; tests put a recording fake behind it.
#pragma once

#include <chrono>
#include <cstdint>
#include <span>

namespace ftdi {

/// Bit modes of the channel (the values of the chip's SET_BITMODE request).
enum class BitMode : uint8_t {
    Reset = 0x00,  // back to the serial/FIFO function
    Mpsse = 0x02,  // the multi-protocol synchronous serial engine
};

/// One USB channel of an FTDI chip. Every call returns at the latest after its timeout;
/// a negative result means the USB transfer failed (device unplugged, access lost).
class Transport {
  public:
    virtual ~Transport() = default;

    /// Sends all of `bytes` in one USB write, waiting at most `timeout` for the chip to take
    /// them; returns the number of bytes sent (fewer on a timeout) or < 0.
    virtual int write(std::span<const uint8_t> bytes, std::chrono::milliseconds timeout) = 0;
    /// Reads up to `buffer.size()` bytes, waiting at most `timeout` for them to arrive;
    /// returns the number of bytes read (fewer on a timeout) or < 0.
    virtual int read(std::span<uint8_t> buffer, std::chrono::milliseconds timeout) = 0;

    /// The control requests; each returns 0 or < 0.
    virtual int reset() = 0;
    virtual int purge() = 0;
    virtual int setLatencyTimer(uint8_t milliseconds) = 0;
    virtual int setBitMode(uint8_t outputMask, BitMode mode) = 0;
};

}  // namespace ftdi
