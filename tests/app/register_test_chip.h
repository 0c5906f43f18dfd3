// A QX5520 stand-in for the register-page tests: it answers the chip's SPI frames through a
// fake adapter table, keeps a register file with stuck bits, and records every frame.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <vector>

#include "chip/ASens_Digital.h"
#include "chip/UnitFTDI.h"
#include "chip/UnitSPI.h"

namespace regtest {

/// One 2-byte transfer as the adapter saw it.
struct Frame {
    bool write;
    uint8_t first;
    uint8_t second;
    bool operator==(const Frame&) const = default;
};

/// The chip behind the fake adapter. Frames: read (A*2+1, 0) then a 2-byte read; plain
/// write (A*2, 0), (hi, lo); configuration write (0x80+A*2, 0), (0, 0), (A*2, 0), (hi, lo),
/// (0xFE, 0), (0, 0). A lone (0, 0) is the identification check's filler frame.
struct TestChip {
    std::array<uint16_t, 40> registers{};
    std::array<uint16_t, 40> stuckHigh{};  // bits that always read 1
    std::array<uint16_t, 40> stuckLow{};   // bits that always read 0
    bool present = true;                   // absent: the data line reads all ones
    uint32_t channels = 1;
    std::vector<Frame> frames;
    // Runs at every frame, after it was recorded (tests look at the window mid-operation).
    std::function<void()> onFrame;
    // The decoded transfers, by register address, in order.
    std::vector<int> reads;
    std::vector<int> configWrites;
    std::vector<int> plainWrites;
    bool configuring = false;
    // Unplugged: from this many transfers on, each fails (status, nothing moved); -1 never.
    int failAfter = -1;
    // Failing transfers answer FT_OK with fewer bytes moved instead of an error status.
    bool failShort = false;
    int transfers = 0;
    // Counts a transfer; true when it is to fail.
    bool Fails() { return failAfter >= 0 && transfers++ >= failAfter; }

    void ClearRecord() {
        frames.clear();
        reads.clear();
        configWrites.clear();
        plainWrites.clear();
    }

    // Frame decoder.
    enum class Expect { Command, UnlockFiller, ConfigCommand, Data, LockFiller };
    Expect expect = Expect::Command;
    int address = 0;
    bool open = false;

    TestChip() { registers[39] = chip::kChipIdentification; }

    uint16_t Answer(int reg) const {
        if (!present) return 0xFFFF;
        return static_cast<uint16_t>((registers[reg] | stuckHigh[reg]) & ~stuckLow[reg]);
    }

    void Write(uint8_t first, uint8_t second) {
        frames.push_back({true, first, second});
        if (onFrame) onFrame();
        switch (expect) {
            case Expect::Command:
                if (first == 0xFE) {
                    expect = Expect::LockFiller;
                } else if (first & 0x80) {
                    expect = Expect::UnlockFiller;
                } else if (first & 0x01) {
                    address = (first >> 1) & 0x3F;  // the next read answers it
                    reads.push_back(address);
                } else if (first != 0x00) {
                    address = (first >> 1) & 0x3F;
                    configuring = false;
                    expect = Expect::Data;
                }
                break;
            case Expect::UnlockFiller:
                expect = Expect::ConfigCommand;
                break;
            case Expect::ConfigCommand:
                address = (first >> 1) & 0x3F;
                configuring = true;
                expect = Expect::Data;
                break;
            case Expect::Data:
                if (present) registers[address] = static_cast<uint16_t>(first << 8 | second);
                (configuring ? configWrites : plainWrites).push_back(address);
                expect = Expect::Command;
                break;
            case Expect::LockFiller:
                expect = Expect::Command;
                break;
        }
    }

    void Read(uint8_t* buffer) {
        const uint16_t word = Answer(address);
        buffer[0] = static_cast<uint8_t>(word >> 8);
        buffer[1] = static_cast<uint8_t>(word & 0xFF);
        frames.push_back({false, buffer[0], buffer[1]});
        if (onFrame) onFrame();
    }
};

inline TestChip* activeChip = nullptr;
inline int handleToken = 0;

inline FT_STATUS GetNumChannels(uint32_t* count) {
    *count = activeChip->channels;
    return FT_OK;
}
inline FT_STATUS GetChannelInfo(uint32_t, FT_DEVICE_LIST_INFO_NODE* info) {
    info->ftHandle = activeChip->open ? &handleToken : nullptr;
    return FT_OK;
}
inline FT_STATUS OpenChannel(uint32_t, FT_HANDLE* handle) {
    activeChip->open = true;
    *handle = &handleToken;
    return FT_OK;
}
inline FT_STATUS InitChannel(FT_HANDLE, ChannelConfig*) {
    return FT_OK;
}
inline FT_STATUS CloseChannel(FT_HANDLE) {
    activeChip->open = false;
    return FT_OK;
}
inline FT_STATUS Read(FT_HANDLE, uint8_t* buffer, uint32_t size, uint32_t* done, uint32_t) {
    if (activeChip->Fails()) {
        *done = activeChip->failShort ? size - 1 : 0;
        return activeChip->failShort ? FT_OK : FT_IO_ERROR;
    }
    if (size == 2) activeChip->Read(buffer);
    *done = size;
    return FT_OK;
}
inline FT_STATUS Write(FT_HANDLE, uint8_t* buffer, uint32_t size, uint32_t* done, uint32_t) {
    if (activeChip->Fails()) {
        *done = activeChip->failShort ? size - 1 : 0;
        return activeChip->failShort ? FT_OK : FT_IO_ERROR;
    }
    if (size == 2) activeChip->Write(buffer[0], buffer[1]);
    *done = size;
    return FT_OK;
}
inline FT_STATUS WriteGPIO(FT_HANDLE, uint8_t, uint8_t) {
    return FT_OK;
}

/// Puts the chip behind the adapter table, with a fresh channel state.
inline void Install(TestChip& chip) {
    activeChip = &chip;
    chip::AdapterEntryPoints table;
    table.SPI_GetNumChannels = GetNumChannels;
    table.SPI_GetChannelInfo = GetChannelInfo;
    table.SPI_OpenChannel = OpenChannel;
    table.SPI_InitChannel = InitChannel;
    table.SPI_CloseChannel = CloseChannel;
    table.SPI_Read = Read;
    table.SPI_Write = Write;
    table.FT_WriteGPIO = WriteGPIO;
    chip::InstallAdapterEntryPoints(table);
    chip::ResetAdapterState();
}

/// Counts the read pauses instead of sleeping.
class CountingClock : public chip::Clock {
  public:
    void Sleep(std::chrono::milliseconds duration) override {
        ++pauses;
        total += duration;
    }
    int pauses = 0;
    std::chrono::milliseconds total{0};
};

}  // namespace regtest
