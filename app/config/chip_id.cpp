#include "app/config/chip_id.h"

#include <cstdio>

#include "app/config/integer_text.h"
#include "app/readings/transfer_check.h"
#include "chip/ASens_Digital.h"

namespace app {

void WriteChipId(chip::TASensDig& chip, std::string_view text) {
    const auto identifier = static_cast<uint32_t>(IntegerText(text));
    const TransferWatch watch(chip);
    chip.PutReg(kChipIdHighRegister, static_cast<uint16_t>(identifier >> 16), true);
    chip.PutReg(kChipIdLowRegister, static_cast<uint16_t>(identifier & 0xFFFF), true);
    watch.Check();
}

std::string ReadChipId(chip::TASensDig& chip) {
    const TransferWatch watch(chip);
    const uint32_t high = chip.GetReg(kChipIdHighRegister, true);
    const uint32_t low = chip.GetReg(kChipIdLowRegister, true);
    // No identifier made of the command bytes a lost transfer leaves behind.
    watch.Check();
    return ChipIdText((high << 16) | low);
}

std::string ChipIdText(uint32_t identifier) {
    char text[10];
    std::snprintf(text, sizeof text, "$%08X", static_cast<unsigned>(identifier));
    return text;
}

ChipNote NoteChip(const chip::TASensDig* chip) {
    ChipNote note;
    if (chip == nullptr) return note;
    if (const uint16_t word = chip->LastIdentification(); word != 0xFFFF) {
        char text[8];
        std::snprintf(text, sizeof text, "0x%04X", word);
        note.identification = text;
    }
    const chip::RegisterSlot high = chip->Slot(kChipIdHighRegister);
    const chip::RegisterSlot low = chip->Slot(kChipIdLowRegister);
    if (high.Actual && low.Actual) {
        note.chipId = ChipIdText(static_cast<uint32_t>(high.Value) << 16 | low.Value);
    }
    return note;
}

}  // namespace app
