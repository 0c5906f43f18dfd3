// One SPI channel driven through FTDI's MPSSE command set (application note AN_108): opening
// the engine, configuring clock, SPI mode, chip select and pins, and framing each transfer as
// one USB write followed by reading exactly the bytes it clocks in.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <vector>

#include "chip/I2Cdeclarations.h"
#include "ftdi/transport.h"

namespace ftdi {

/// The two MPSSE generations: they differ in base clock and in the clock commands they know.
enum class ChipFamily {
    HSeries,  // FT232H, FT2232H, FT4232H: 60 MHz base, divide-by-5 switch, adaptive, 3-phase
    FT2232D,  // 12 MHz base, none of the H-series clock commands
};

/// MPSSE command bytes used here (AN_108).
namespace command {
inline constexpr uint8_t kSetLowByte = 0x80;  // value, direction of ADBUS/BDBUS
inline constexpr uint8_t kReadLowByte = 0x81;
inline constexpr uint8_t kSetHighByte = 0x82;  // value, direction of ACBUS/BCBUS
inline constexpr uint8_t kReadHighByte = 0x83;
inline constexpr uint8_t kLoopbackOff = 0x85;
inline constexpr uint8_t kClockDivisor = 0x86;  // divisor low, divisor high
inline constexpr uint8_t kSendImmediate = 0x87;
inline constexpr uint8_t kDivideBy5Off = 0x8A;
inline constexpr uint8_t kThreePhaseOff = 0x8D;
inline constexpr uint8_t kAdaptiveOff = 0x97;
inline constexpr uint8_t kBogus = 0xAA;            // an invalid command, to synchronise
inline constexpr uint8_t kBadCommandReply = 0xFA;  // the engine's answer to one
}  // namespace command

/// The data shifting commands of one SPI mode, all MSB first.
struct ShiftCommands {
    uint8_t writeBytes, writeBits;        // clock out only
    uint8_t readBytes, readBits;          // clock in only
    uint8_t transferBytes, transferBits;  // out and in at once
    bool clockIdlesHigh;
};

/// Commands of SPI modes 0-3. Modes 0 and 2 sample on the leading edge, which the MPSSE does
/// natively; modes 1 and 3 change data on the leading edge and sample on the trailing one.
ShiftCommands shiftCommandsFor(uint32_t spiMode);

/// The clock divisor giving the fastest SPI clock not above `requestedHz` (the slowest the
/// chip can make when even that is too fast, including a request of 0).
uint16_t clockDivisorFor(ChipFamily family, uint32_t requestedHz);
/// The SPI clock a divisor gives: base / ((1 + divisor) * 2).
uint32_t clockRateOf(ChipFamily family, uint16_t divisor);

class MpsseChannel {
  public:
    MpsseChannel(Transport& transport, ChipFamily family);

    /// Resets the channel, purges its buffers, switches to MPSSE mode and checks that the
    /// engine answers an invalid command with 0xFA.
    FT_STATUS open();
    /// Applies latency timer, clock, SPI mode, chip-select line and initial pin state.
    FT_STATUS init(const ChannelConfig& config);
    /// Switches the channel back to its serial function.
    FT_STATUS close();

    FT_STATUS write(const uint8_t* buffer, uint32_t size, uint32_t* transferred, uint32_t options);
    FT_STATUS read(uint8_t* buffer, uint32_t size, uint32_t* transferred, uint32_t options);
    FT_STATUS readWrite(uint8_t* inBuffer, const uint8_t* outBuffer, uint32_t size,
                        uint32_t* transferred, uint32_t options);

    /// The eight lines of the high byte: direction bit 1 = output, value bit 1 = high.
    FT_STATUS writeGpio(uint8_t direction, uint8_t value);
    FT_STATUS readGpio(uint8_t* value);

    /// The SPI clock in effect (the slowest until init has run).
    uint32_t clockRate() const { return clockRateOf(family_, divisor_); }

  private:
    enum class Shift { Out, In, OutIn };

    FT_STATUS transfer(Shift shift, uint8_t* inBuffer, const uint8_t* outBuffer, uint32_t size,
                       uint32_t* transferred, uint32_t options);
    void appendChipSelect(std::vector<uint8_t>& commands, bool asserted) const;
    /// Waits long enough for `bits` clock cycles at the current rate plus a USB margin.
    std::chrono::milliseconds timeoutFor(uint64_t bits) const;
    FT_STATUS sendAll(const std::vector<uint8_t>& commands, uint64_t bits);
    /// Reads exactly `buffer.size()` bytes; on a short read the stale rest is purged so that
    /// it cannot answer the next transfer.
    FT_STATUS receiveAll(std::vector<uint8_t>& buffer, uint64_t bits);

    Transport& transport_;
    ChipFamily family_;
    uint16_t divisor_ = 0xFFFF;
    ShiftCommands shift_;
    uint8_t chipSelectMask_ = 0x08;
    bool chipSelectActiveLow_ = false;
    uint8_t lowDirection_ = 0;
    uint8_t lowIdleValue_ = 0;
};

}  // namespace ftdi
