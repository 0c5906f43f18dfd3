// The readings of the measurement pages and of batch mode, each taken from the chip in one
// place: the frames, their order and the conversions are the same wherever a reading is
// shown, logged or analysed.
#pragma once

#include <cstdint>

#include "app/readings/readout_format.h"

namespace chip {
class TASensDig;
}

namespace app {

/// Registers 34-38 as the chip answered them, read in that order.
struct ReadoutWords {
    uint16_t r34 = 0;
    uint16_t r35 = 0;
    uint16_t r36 = 0;
    uint16_t r37 = 0;
    uint16_t r38 = 0;
};

/// Each reading throws TransferFailure when the adapter did not complete one of its
/// transfers: a reading made of a buffer's leftovers is never handed on.

/// Registers 34, 35, 36, 37, 38 (five reads, each with the chip's pause).
ReadoutWords ReadReadoutWords(chip::TASensDig& chip);
/// The signal charts' sample: the five registers, converted.
ChartSample ReadChartSample(chip::TASensDig& chip);
/// The X-Y point: register 34, then 35.
XYPoint ReadXYPoint(chip::TASensDig& chip);
/// A register read whole (one read with the chip's pause).
uint16_t ReadRegisterWord(chip::TASensDig& chip, uint8_t address);
/// The angle word (one frame, no pause) and its bits.
AngleSample ReadAngleSample(chip::TASensDig& chip);

}  // namespace app
