// What a scenario file can choose about the virtual adapter and the chip behind it.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace sim {

inline constexpr int kRegisterCount = 40;

/// What the data line from the chip does.
enum class ChipPresence {
    Present,  // a chip answers
    Absent,   // nothing answers: the line is pulled high, every read frame gives FF FF
    Silent,   // the line is held low: every read frame gives 00 00
};

/// The chip's side of a scenario.
struct ChipOptions {
    ChipPresence presence = ChipPresence::Present;
    uint16_t id = 0x08E2;  // the word register 39 answers
    // reg.N: for 34-39 a word answered on every read; for 0-33 the power-up value.
    std::array<std::optional<uint16_t>, kRegisterCount> fixed{};
    std::optional<uint16_t> angleWord;  // answered by read frames with no read command
    double rpm = 6.0;                   // magnet speed, revolutions per minute (sign = sense)
    double noise = 3.0;                 // standard deviation of the channel noise, in codes
    // Codes the signal centre moves per step of OFFSET_SIN / OFFSET_COS: -1 a chip whose
    // digital offsets act the other way, 0 one where they do nothing.
    double offsetGain = 1.0;
    // Known errors of the magnet, in degrees, so that an accuracy measurement has a truth to
    // find: the angle the sensor sees is off by eccentricity · cos θ + harmonic2 · cos 2θ at
    // the magnet's true angle θ, and the magnet runs up to speedRipple ahead of and behind
    // constant speed, once a turn (its true angle: ωt + speedRipple · sin ωt).
    double eccentricity = 0.0;
    double harmonic2 = 0.0;
    double speedRipple = 0.0;
    // Degrees of non-orthogonality between sine and cosine: cosine = cos(θ + phase).
    double phase = 0.0;
    // Registers 34-38 answer from one conversion until each has been read once. Off, as a
    // real chip may be: each read converts at its own moment, so sine and cosine read 100 ms
    // apart are 100 ms apart in the magnet's turn.
    bool hold = false;
    // Conversions per second of the angle a burst of bare read frames reads: the word holds
    // between conversions. 0: each frame reads a conversion of its own moment.
    double conversionHz = 0.0;
    std::array<uint16_t, kRegisterCount> stuckHigh{};  // bits that always read 1
    std::array<uint16_t, kRegisterCount> stuckLow{};   // bits that always read 0
};

/// The whole scenario: the adapter and the chip.
struct Settings {
    uint32_t channels = 1;
    ChipOptions chip;
    std::string stateFile;                // empty: registers live only as long as the process
    std::string traceFile;                // empty: no trace
    std::string truthFile;                // empty: the magnet's true angle is not logged
    std::optional<uint64_t> vanishAfter;  // transfers after which the adapter is unplugged
    std::optional<uint32_t> seed;         // of the channel noise; none: from the clock
};

}  // namespace sim
