// A model of FTDI's MPSSE engine that interprets the command bytes a host sends (AN 108 and
// the chips' datasheets) and drives the low byte's pins over time, so that a device model on
// those pins sees every clock edge, the data out line and the chip-select line as a real
// board would. Test-only: the adapter library uses it when QX_FTDI_MODEL names a family.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace mpsse_model {

/// One FTDI chip with MPSSE channels.
struct Family {
    std::string_view name;  // "ft232h", "ft2232h", "ft4232h", "ft2232d"
    uint16_t productId;
    uint16_t bcdDevice;  // the chip generation the device reports
    int mpsseChannels;
    uint32_t baseHz;  // the engine's clock without divide-by-5: 60 MHz, or 12 MHz (FT2232D)
    size_t bufferBytes;
    bool hSeries;  // knows divide-by-5, adaptive and three-phase clocking
};

/// The family of that name (letter case aside), or null.
const Family* FamilyNamed(std::string_view name);
std::span<const Family> Families();

/// The low byte's lines: 0 SK (clock), 1 DO, 2 DI, 3 CS (the tool's chip select), 4-7 GPIOL0-3.
inline constexpr uint8_t kClock = 0x01;
inline constexpr uint8_t kDataOut = 0x02;
inline constexpr uint8_t kDataIn = 0x04;

/// What is wired to the low byte.
class Pins {
  public:
    virtual ~Pins() = default;
    /// The levels of the eight lines changed (outputs as driven, inputs as pulled high).
    virtual void LowChanged(uint8_t levels) = 0;
    /// The levels the outside drives onto the lines (DI above all); 1 where nothing drives.
    virtual uint8_t LowInputs() = 0;
    /// The data in line as the engine samples it in a shift (a device may fetch the data it
    /// shifts out only now); by default the DI bit of LowInputs.
    virtual bool SampleDataIn() { return (LowInputs() & kDataIn) != 0; }
};

class Engine {
  public:
    Engine(const Family& family, Pins& pins);

    /// Executes the complete commands among `bytes` (with any part of a command left from the
    /// last call); a command cut short waits for the rest.
    void Write(std::span<const uint8_t> bytes);
    /// Takes up to buffer.size() answer bytes; returns how many.
    size_t Read(std::span<uint8_t> buffer);
    size_t Pending() const { return answers_.size(); }
    /// Back to the power-up state (a reset or the bit mode left): nothing pending, the pins
    /// inputs, divide-by-5 on.
    void Reset();

    /// The SPI clock the divisor and divide-by-5 give.
    uint32_t ClockHz() const;
    uint16_t Divisor() const { return divisor_; }
    bool DivideBy5() const { return divideBy5_; }
    bool Adaptive() const { return adaptive_; }
    bool ThreePhase() const { return threePhase_; }
    bool Loopback() const { return loopback_; }
    /// One line per executed command ("set low 0x08 0x0B", "clock 1000000 Hz", "shift 0x31 16
    /// bits", "bad command 0xAA"); taken and emptied.
    std::vector<std::string> TakeTrace();

  private:
    /// The bytes the command at the front needs, or 0 when it is a bad command.
    size_t LengthOf(std::span<const uint8_t> command) const;
    void Execute(std::span<const uint8_t> command);
    void Shift(uint8_t opcode, std::span<const uint8_t> data, size_t bits);
    /// Clock pulses with the data line held (0x8E, 0x8F).
    void Pulse(size_t bits);
    void SetLow(uint8_t value, uint8_t direction);
    uint8_t LowLevels() const;
    void Trace(std::string line);

    const Family& family_;
    Pins& pins_;
    std::vector<uint8_t> partial_;
    std::deque<uint8_t> answers_;
    std::vector<std::string> trace_;
    uint8_t lowValue_ = 0, lowDirection_ = 0, highValue_ = 0, highDirection_ = 0;
    uint16_t divisor_ = 0;
    bool divideBy5_ = true;
    bool adaptive_ = false;
    bool threePhase_ = false;
    bool loopback_ = false;
    bool stalled_ = false;  // waiting for ever (adaptive clocking with nothing on RTCK)
};

}  // namespace mpsse_model
