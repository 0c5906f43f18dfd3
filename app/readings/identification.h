// Opening the channel and identifying the chip, as a batch run or a script starts: the one
// place that tells why a chip is not there to work with.
#pragma once

#include <cstdint>
#include <string>

namespace chip {
class Adapter;
class TASensDig;
}  // namespace chip

namespace app {

enum class IdentifyOutcome {
    Identified,     // register 39 answers 0x08E2
    NoChip,         // the data line reads all ones
    NotIdentified,  // anything else: no library, no channel, a failed transfer, a wrong word
};

struct Identification {
    IdentifyOutcome outcome = IdentifyOutcome::NotIdentified;
    int channels = 0;   // the channels the library lists (Init's count)
    uint16_t word = 0;  // what register 39 answered
    /// The adapter is at fault, not the chip: no library, no channel, a failed transfer.
    bool adapterFault = false;
    /// Why the chip is not there to work with, as the batch mode says it ("no adapter channel
    /// could be opened (is the adapter plugged in?)"); empty when identified.
    std::string cause;
};

/// Init (the channel opened and configured) and CheckConnect (register 39 read).
Identification Identify(chip::TASensDig& chip, const chip::Adapter& adapter);

}  // namespace app
