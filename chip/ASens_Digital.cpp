#include "chip/ASens_Digital.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <thread>
#endif

namespace chip {
namespace {

class SleepingClock final : public Clock {
  public:
    void Sleep(std::chrono::milliseconds duration) override {
#if defined(_WIN32)
        ::Sleep(static_cast<DWORD>(duration.count()));
#else
        std::this_thread::sleep_for(duration);
#endif
    }
};

int LowestSetBit(uint16_t mask) {
    for (int bit = 0; bit < 16; ++bit) {
        if (mask & (1u << bit)) return bit;
    }
    return 0;
}

}  // namespace

Clock& SystemClock() {
    static SleepingClock clock;
    return clock;
}

TASensDig::TASensDig(Adapter& adapter, Clock& clock) : adapter_(adapter), clock_(clock) {}

uint8_t TASensDig::Init() {
    return adapter_.InitAdapter();
}

uint8_t TASensDig::CheckConnect() {
    for (int attempt = 0; attempt < 4; ++attempt) {
        if (attempt > 0) WriteFrame(0x00, 0x00);
        const uint16_t word = ReadRegFrames(39);
        lastIdentification_ = word;
        if (word == kChipIdentification) return 0;
        // The data line pulled high: nothing answers.
        if (word == 0xFFFF) return 1;
    }
    return 2;
}

void TASensDig::CloseSPI() {
    adapter_.CloseAdapter();
}

uint16_t TASensDig::GetReg(uint16_t RegAddr, bool ReadFromDev) {
    if (!IsRegister(RegAddr)) return 0xFFFF;
    RegisterSlot& slot = Registers[RegAddr];
    if (ReadFromDev) {
        const uint64_t failedBefore = FailedTransfers();
        const uint16_t word = ReadRegFrames(static_cast<uint8_t>(RegAddr));
        if (FailedTransfers() != failedBefore) {
            // Not the chip's word: the slot no longer knows what the chip holds.
            Forget(slot);
            return word;
        }
        slot.Value = word;
        slot.DevValue = word;
        slot.Actual = true;
    }
    return slot.Value;
}

void TASensDig::PutReg(uint16_t RegAddr, uint16_t RegData, bool WriteToDev) {
    if (!IsRegister(RegAddr)) return;
    RegisterSlot& slot = Registers[RegAddr];
    slot.Value = RegData;
    if (WriteToDev) {
        const uint64_t failedBefore = FailedTransfers();
        WriteFramesOf(static_cast<uint8_t>(RegAddr), RegData);
        if (FailedTransfers() != failedBefore) {
            Forget(slot);
            return;
        }
        slot.Actual = true;
        slot.DevValue = RegData;
    } else {
        slot.Actual = slot.Value == slot.DevValue;
    }
}

bool TASensDig::IsActualReg(uint16_t RegAddr) const {
    return IsRegister(RegAddr) && Registers[RegAddr].Actual;
}

RegisterSlot TASensDig::Slot(uint16_t RegAddr) const {
    return IsRegister(RegAddr) ? Registers[RegAddr] : RegisterSlot{};
}

uint8_t TASensDig::SetRegisterState(uint8_t RegAddr, uint16_t& Data, uint16_t Mask) {
    if (!IsRegister(RegAddr)) return 0;
    RegisterSlot& slot = Registers[RegAddr];
    const int shift = LowestSetBit(Mask);
    // Bits of Data outside Mask are kept, as the caller passed them.
    slot.Value = static_cast<uint16_t>((slot.Value & ~Mask) | Data);
    if (slot.Value == slot.DevValue) {
        Data = static_cast<uint16_t>((slot.DevValue & Mask) >> shift);
        return 2;
    }
    const uint64_t failedBefore = FailedTransfers();
    WriteFramesOf(RegAddr, slot.Value);
    const uint16_t word = ReadRegFrames(RegAddr);
    Data = static_cast<uint16_t>((word & Mask) >> shift);
    if (FailedTransfers() != failedBefore) {
        Forget(slot);
        return 0;
    }
    const uint8_t result = word == slot.Value ? 1 : 0;
    slot.Value = word;
    slot.DevValue = word;
    slot.Actual = true;
    return result;
}

void TASensDig::ReadStatus(bool& EML, bool& OFC_READY, bool& CONV_READY, bool& ELOAD_READY,
                           bool& LOW_SPEED, bool& OTR_Y, bool& OTR_X) {
    const uint16_t word = ReadRegFrames(32);
    EML = word & 0x40;
    OFC_READY = word & 0x20;
    CONV_READY = word & 0x10;
    ELOAD_READY = word & 0x08;
    LOW_SPEED = word & 0x04;
    OTR_Y = word & 0x02;
    OTR_X = word & 0x01;
}

void TASensDig::GetAngleData(uint16_t& AData, uint16_t& AngleData, uint8_t& ADC, uint8_t& LS,
                             uint8_t& CRC) {
    AData = ReadAngleFrame(AData);
    CRC = (AData >> 15) & 1;
    LS = (AData >> 14) & 1;
    ADC = (AData >> 13) & 1;
    AngleData = AData & 0x1FFF;
}

void TASensDig::SetPortC(uint8_t PortDir, uint8_t PortState) {
    adapter_.SetAdapterGPIO(PortDir, PortState);
}

void TASensDig::Forget(RegisterSlot& slot) {
    slot.DevValue = 0xFFFF;
    slot.Actual = false;
}

void TASensDig::WriteFrame(uint8_t first, uint8_t second) {
    uint8_t buffer[2] = {first, second};
    adapter_.WriteSPI(2, buffer);
}

uint16_t TASensDig::ReadRegFrames(uint8_t address) {
    // The response comes back in the two bytes that carried the command, so a read that
    // brings nothing back yields the command frame.
    uint8_t buffer[2] = {static_cast<uint8_t>(address * 2 + 1), 0x00};
    adapter_.WriteSPI(2, buffer);
    // The chip needs this long to fetch the register before it can shift it out.
    clock_.Sleep(kReadPause);
    adapter_.ReadSPI(2, buffer);
    return static_cast<uint16_t>(buffer[0] << 8 | buffer[1]);
}

void TASensDig::WriteFramesOf(uint8_t address, uint16_t word) {
    if (kRegisters[address].frames == WriteFrames::Configuration) {
        WriteConfigRegFrames(address, word);
    } else {
        WriteRegFrames(address, word);
    }
}

void TASensDig::WriteRegFrames(uint8_t address, uint16_t word) {
    WriteFrame(static_cast<uint8_t>(address * 2), 0x00);
    WriteFrame(static_cast<uint8_t>(word >> 8), static_cast<uint8_t>(word & 0xFF));
}

void TASensDig::WriteConfigRegFrames(uint8_t address, uint16_t word) {
    WriteFrame(static_cast<uint8_t>(0x80 + address * 2), 0x00);
    WriteFrame(0x00, 0x00);
    WriteFrame(static_cast<uint8_t>(address * 2), 0x00);
    WriteFrame(static_cast<uint8_t>(word >> 8), static_cast<uint8_t>(word & 0xFF));
    WriteFrame(0xFE, 0x00);
    WriteFrame(0x00, 0x00);
}

uint16_t TASensDig::ReadAngleFrame(uint16_t previous) {
    uint8_t buffer[2] = {static_cast<uint8_t>(previous >> 8),
                         static_cast<uint8_t>(previous & 0xFF)};
    adapter_.ReadSPI(2, buffer);
    return static_cast<uint16_t>(buffer[0] << 8 | buffer[1]);
}

}  // namespace chip
