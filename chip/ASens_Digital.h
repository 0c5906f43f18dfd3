// TASensDig: the one object through which the tool talks to the QX5520. It frames register
// reads and writes as 2-byte SPI frames, keeps a 40-slot register cache, recognises the chip
// by its identification register, splits the status register and reads the angle word.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>

#include "chip/I2Cdeclarations.h"
#include "chip/UnitSPI.h"
#include "chip/register_map.h"

namespace chip {

/// Supplies the pause between a read command and its response. Injectable so that tests run
/// at full speed and can still assert that the pause happens.
class Clock {
  public:
    virtual ~Clock() = default;
    virtual void Sleep(std::chrono::milliseconds duration) = 0;
};

/// The real clock: sleeps the calling thread.
Clock& SystemClock();

/// One slot of the register cache.
struct RegisterSlot {
    uint16_t Value = 0;          // the word as last written, wanted or read
    uint16_t DevValue = 0xFFFF;  // the word last known to be in the chip
    bool Actual = false;         // Value has been read from or written to the chip
};

inline constexpr int kRegisterCount = static_cast<int>(kRegisters.size());
inline constexpr uint16_t kChipIdentification = 0x08E2;
/// The chip answers a read command after this pause.
inline constexpr std::chrono::milliseconds kReadPause{100};

class TASensDig {
  public:
    /// Every transfer goes through adapter, which must outlive the object.
    explicit TASensDig(Adapter& adapter, Clock& clock = SystemClock());

    /// Opens and configures the adapter channel; returns the number of adapter channels.
    uint8_t Init();
    /// 0 chip identified, 1 nothing answers (data line reads all ones), 2 not identified.
    uint8_t CheckConnect();
    void CloseSPI();

    /// A read whose transfers did not complete returns the buffer's bytes and leaves the slot
    /// not Actual, its DevValue unknown (0xFFFF).
    uint16_t GetReg(uint16_t RegAddr, bool ReadFromDev);
    /// Does nothing for an address above 39.
    void PutReg(uint16_t RegAddr, uint16_t RegData, bool WriteToDev);
    /// False for an address above 39.
    bool IsActualReg(uint16_t RegAddr) const;
    /// The cache slot of a register as it stands; an address above 39 gives an empty slot.
    RegisterSlot Slot(uint16_t RegAddr) const;
    /// Write-verify of one field. Data comes in shifted into Mask and goes out as the field's
    /// value read back, shifted down to bit 0. Returns 1 verified, 0 mismatch, 2 unchanged.
    /// An address above 39 transfers nothing, leaves Data as it is and returns 0. Transfers
    /// that did not complete give 0 and leave the slot's DevValue unknown (0xFFFF).
    uint8_t SetRegisterState(uint8_t RegAddr, uint16_t& Data, uint16_t Mask);
    void ReadStatus(bool& EML, bool& OFC_READY, bool& CONV_READY, bool& ELOAD_READY,
                    bool& LOW_SPEED, bool& OTR_Y, bool& OTR_X);
    /// AData keeps the caller's value when the transfer brings nothing back.
    void GetAngleData(uint16_t& AData, uint16_t& AngleData, uint8_t& ADC, uint8_t& LS,
                      uint8_t& CRC);
    void SetPortC(uint8_t PortDir, uint8_t PortState);
    /// `count` angle words back to back at the bus's speed (Adapter::ReadAngleBurst).
    FT_STATUS ReadAngleBurst(uint32_t count, uint16_t* words, double* seconds, uint32_t& read) {
        return adapter_.ReadAngleBurst(count, words, seconds, read);
    }
    /// The SPI clock the channel is configured with, hertz.
    uint32_t ClockRate() const { return adapter_.Config().ClockRate; }

    /// Transfers through the adapter so far that did not complete (a status other than
    /// FT_OK, or fewer bytes than asked: an adapter unplugged, no channel). The frame
    /// routines still hand back whatever the buffer holds; a caller that must not pass on
    /// made-up words compares this count before and after its transfers.
    uint64_t FailedTransfers() const { return adapter_.FailedTransfers(); }
    /// The word register 39 answered at the last CheckConnect.
    uint16_t LastIdentification() const { return lastIdentification_; }

  private:
    void WriteFrame(uint8_t first, uint8_t second);
    /// After a transfer that did not complete: the chip's word is unknown again.
    static void Forget(RegisterSlot& slot);
    uint16_t ReadRegFrames(uint8_t address);
    /// The write frames the register table gives the address.
    void WriteFramesOf(uint8_t address, uint16_t word);
    void WriteRegFrames(uint8_t address, uint16_t word);
    void WriteConfigRegFrames(uint8_t address, uint16_t word);
    /// The buffer starts from previous, so a transfer that brings nothing back keeps it.
    uint16_t ReadAngleFrame(uint16_t previous);

    Adapter& adapter_;
    Clock& clock_;
    std::array<RegisterSlot, kRegisterCount> Registers{};
    uint16_t lastIdentification_ = 0xFFFF;
};

}  // namespace chip
