// The QX5520 behind the virtual adapter: its register file, the frame state machine of its
// SPI protocol and a rotating magnet in front of its sensor.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <random>

#include "sim/settings.h"

namespace sim {

/// The bits of each register that belong to a configuration field; the chip keeps only those.
/// Registers 0, 9, 10 and 17-31 keep all 16 bits; 32 and 34-39 are not writable.
uint16_t StoredBits(int address);

/// One reading of the live outputs, as the chip would answer it right now.
struct LiveOutputs {
    uint16_t status = 0;     // register 32
    uint16_t cosine = 0;     // register 34, 13-bit two's complement
    uint16_t sine = 0;       // register 35, 13-bit two's complement
    uint16_t cordic = 0;     // register 36: bits 15-14 quadrant, 12-0 angle
    uint16_t angle = 0;      // register 37
    uint16_t amplitude = 0;  // register 38
    uint16_t angleWord = 0;  // the word of a read frame with no command
};

class ChipModel {
  public:
    /// Seconds since the Unix epoch (1970-01-01 00:00 UTC); the magnet's angle follows it.
    /// A double holds today's epoch seconds to a fraction of a microsecond.
    using Clock = std::function<double()>;

    /// A chip at power-up. Without a clock the magnet follows the system's wall clock, so
    /// every chip model, in this process or another, sees one magnet turning. The seed
    /// starts the channel noise.
    explicit ChipModel(const ChipOptions& options, Clock clock = {}, uint32_t seed = 5520);

    // One frame is the bytes between chip select asserted and released. Bytes the adapter
    // sends (MOSI) and bytes it receives (MISO) may come in several pieces.
    void BeginFrame();
    void Send(const uint8_t* bytes, size_t count);
    void Receive(uint8_t* bytes, size_t count);
    void EndFrame();

    /// The register file of the configuration registers and register 33, as stored.
    using RegisterFile = std::array<uint16_t, 34>;
    RegisterFile Registers() const { return stored_; }
    /// Replaces the register file (a state kept by an earlier process); unmapped bits drop.
    void LoadRegisters(const RegisterFile& registers);
    /// Back to the power-up register file, SPI unlocked.
    void PowerUp();

    /// Counts the writes the chip has taken, so a caller can tell when to save them.
    uint64_t AcceptedWrites() const { return acceptedWrites_; }
    /// True once SSI mode has been committed: SPI no longer answers.
    bool SpiLocked() const { return locked_; }

    /// The word a read command for this address would be answered with now (6-bit address).
    uint16_t ReadRegister(int address);
    /// The live outputs at this moment, with fresh noise. Registers 34-38 answer from one
    /// conversion until each of them has been read (or a second has passed).
    LiveOutputs Sample();
    /// The word a bare read frame at `seconds` (the clock's) answers: a frame of a burst,
    /// read ahead of the clock. Between conversions (conversion_hz) the word holds.
    uint16_t AngleWordAt(double seconds);
    /// The clock's seconds now.
    double Now() const { return Seconds(); }

    /// Sees every conversion: its time (the clock's seconds) and the magnet's true angle in
    /// degrees, 0 to 360.
    using TruthSink = std::function<void(double seconds, double degrees)>;
    void SetTruthSink(TruthSink sink) { truth_ = std::move(sink); }

  private:
    void HandleWrittenFrame();
    void Store(int address, uint16_t word);
    uint16_t ResponseWord();
    LiveOutputs HeldOutput(int address);
    LiveOutputs SampleAt(double now);
    double Seconds() const;

    ChipOptions options_;
    Clock clock_;
    TruthSink truth_;
    std::mt19937 random_;
    RegisterFile stored_{};
    bool locked_ = false;
    uint64_t acceptedWrites_ = 0;

    // The conversion registers 34-38 answer from, and which of them have been read since.
    std::optional<LiveOutputs> held_;
    double heldAt_ = 0.0;
    unsigned heldRead_ = 0;
    // The last conversion a burst read, and its word.
    double burstConversion_ = -1.0;
    uint16_t burstWord_ = 0;

    // Frame under way.
    std::array<uint8_t, 2> sent_{};
    size_t sentCount_ = 0;
    size_t receivedCount_ = 0;
    uint16_t response_ = 0;

    // Protocol state between frames (-1 = none).
    int armedAddress_ = -1;          // configuration access armed by 0x80 + A*2
    bool armedNoOperation_ = false;  // the no-op frame after the arm has been seen
    int writeAddress_ = -1;          // write command waiting for its data frame
    bool writeArmed_ = false;        // that command came after the matching arm
    int commitAddress_ = -1;         // configuration word waiting for the 0xFE commit
    uint16_t commitWord_ = 0;
    int readAddress_ = -1;  // read command waiting for its response frame
};

}  // namespace sim
