// The 32-bit chip identifier kept in registers 9 (bits 31-16) and 10 (bits 15-0).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace chip {
class TASensDig;
}

namespace app {

inline constexpr uint16_t kChipIdHighRegister = 9;
inline constexpr uint16_t kChipIdLowRegister = 10;

/// btnWriteChIDClick: the text of EditChipID as a strict integer (leading spaces, optional
/// sign, decimal or "$"/"x"/"0x" hexadecimal), its upper half written to register 9 and its
/// lower half to register 10, without read-back. A text that is not an integer throws
/// InvalidIntegerText ("''<text>'' is not a valid integer value") before anything is
/// written.
void WriteChipId(chip::TASensDig& chip, std::string_view text);

/// btnReadChIDClick: reads registers 9 and 10 from the chip and returns the identifier as
/// "$" and eight upper-case hexadecimal digits, a text WriteChipId accepts back.
/// Both throw app::TransferFailure when the adapter did not complete a transfer.
std::string ReadChipId(chip::TASensDig& chip);

/// "$" and the eight upper-case hexadecimal digits of the identifier.
std::string ChipIdText(uint32_t identifier);

/// The chip as the tool last read it, for a record: the identification word and the chip ID
/// ("?" for what has not been read since connecting).
struct ChipNote {
    std::string identification = "?";
    std::string chipId = "?";
};
/// Notes the chip from the register cache (no transfer); all "?" without a chip.
ChipNote NoteChip(const chip::TASensDig* chip);

}  // namespace app
