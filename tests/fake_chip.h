// The one fake adapter of the chip, app and window tests: an adapter table that records every
// call the binding makes and a QX5520 stand-in behind it that decodes the chip's SPI frames,
// keeps a register file with stuck bits and can be unplugged after a number of transfers.
// Queued words answer reads before the chip does; with no chip present the data line reads
// `idle`. A clock records its pauses in the same log, so a test can assert frames and pauses
// in their order.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "chip/ASens_Digital.h"
#include "chip/UnitFTDI.h"

namespace fake {

/// One 2-byte transfer as the adapter saw it.
struct Frame {
    bool write;
    uint8_t first;
    uint8_t second;
    bool operator==(const Frame&) const = default;
};

/// The adapter and the chip behind it. Frames: read (A*2+1, 0) then a 2-byte read; plain
/// write (A*2, 0), (hi, lo); configuration write (0x80+A*2, 0), (0, 0), (A*2, 0), (hi, lo),
/// (0xFE, 0), (0, 0). A lone (0, 0) is the identification check's filler frame.
struct Chip;
/// The chip the installed entry points (and the counting clock's log) reach.
inline Chip* active = nullptr;

struct Chip {
    Chip(const Chip&) = delete;
    Chip& operator=(const Chip&) = delete;
    /// A chip that goes leaves nothing pointing at it: a later test's clock would log into it.
    ~Chip() {
        if (active == this) active = nullptr;
    }

    // --- the adapter's record ---
    /// Every call in order: "write 4F 00", "read 08 E2", "sleep 100", "open", "init",
    /// "close", "gpio FF 10", "info", "count".
    std::vector<std::string> log;
    std::vector<FT_HANDLE> handles;  // the handle of every call that takes one
    ChannelConfig lastConfig{};
    uint32_t channels = 1;
    /// The serial number each listed channel reports (its description: the serial number and
    /// " board"); empty: channels with neither.
    std::vector<std::string> serials;
    uint32_t openedIndex = 0;  // the index the last SPI_OpenChannel asked for
    bool open = false;

    // --- what reads bring back ---
    /// Words the next reads bring back, before the chip is asked.
    std::deque<uint16_t> answers;
    /// What the data line reads when no chip is present.
    uint16_t idle = 0xFFFF;
    bool present = true;
    std::array<uint16_t, 40> registers{};
    std::array<uint16_t, 40> stuckHigh{};  // bits that always read 1
    std::array<uint16_t, 40> stuckLow{};   // bits that always read 0

    // --- unplugging ---
    /// From this many transfers on, each fails (status, nothing moved); -1 never.
    int failAfter = -1;
    /// Failing transfers answer FT_OK with fewer bytes moved instead of an error status.
    bool failShort = false;
    int transfers = 0;

    // --- the frames as the chip decoded them ---
    std::vector<Frame> frames;
    /// Runs at every frame, after it was recorded (tests look at the window mid-operation).
    std::function<void()> onFrame;
    std::vector<int> reads;  // register addresses, in order
    std::vector<int> configWrites;
    std::vector<int> plainWrites;
    /// The register the next read answers: the last one addressed.
    int address = 0;

    Chip() { registers[39] = chip::kChipIdentification; }

    /// Counts a transfer; true when it is to fail.
    bool Fails() { return failAfter >= 0 && transfers++ >= failAfter; }

    void ClearRecord() {
        frames.clear();
        reads.clear();
        configWrites.clear();
        plainWrites.clear();
    }

    void Note(const char* what, uint8_t a, uint8_t b) {
        char text[32];
        std::snprintf(text, sizeof text, "%s %02X %02X", what, a, b);
        log.emplace_back(text);
    }
    /// The log's frames and pauses only.
    std::vector<std::string> Frames() const {
        std::vector<std::string> found;
        for (const std::string& entry : log) {
            if (entry.rfind("write", 0) == 0 || entry.rfind("read", 0) == 0 ||
                entry.rfind("sleep", 0) == 0) {
                found.push_back(entry);
            }
        }
        return found;
    }

    uint16_t Answer(int reg) const {
        if (!present) return idle;
        return static_cast<uint16_t>((registers[reg] | stuckHigh[reg]) & ~stuckLow[reg]);
    }

    void Write(uint8_t first, uint8_t second) {
        Note("write", first, second);
        frames.push_back({true, first, second});
        if (onFrame) onFrame();
        switch (expect_) {
            case Expect::Command:
                if (first == 0xFE) {
                    expect_ = Expect::LockFiller;
                } else if (first & 0x80) {
                    expect_ = Expect::UnlockFiller;
                } else if (first & 0x01) {
                    address = (first >> 1) & 0x3F;  // the next read answers it
                    reads.push_back(address);
                } else if (first != 0x00) {
                    address = (first >> 1) & 0x3F;
                    configuring_ = false;
                    expect_ = Expect::Data;
                }
                break;
            case Expect::UnlockFiller:
                expect_ = Expect::ConfigCommand;
                break;
            case Expect::ConfigCommand:
                address = (first >> 1) & 0x3F;
                configuring_ = true;
                expect_ = Expect::Data;
                break;
            case Expect::Data:
                if (present) registers[address] = static_cast<uint16_t>(first << 8 | second);
                (configuring_ ? configWrites : plainWrites).push_back(address);
                expect_ = Expect::Command;
                break;
            case Expect::LockFiller:
                expect_ = Expect::Command;
                break;
        }
    }

    void Read(uint8_t* buffer) {
        uint16_t word = Answer(address);
        if (!answers.empty()) {
            word = answers.front();
            answers.pop_front();
        }
        buffer[0] = static_cast<uint8_t>(word >> 8);
        buffer[1] = static_cast<uint8_t>(word & 0xFF);
        Note("read", buffer[0], buffer[1]);
        frames.push_back({false, buffer[0], buffer[1]});
        if (onFrame) onFrame();
    }

  private:
    enum class Expect { Command, UnlockFiller, ConfigCommand, Data, LockFiller };
    Expect expect_ = Expect::Command;
    bool configuring_ = false;
};

inline int openToken = 0;
inline FT_HANDLE OpenHandle() {
    return &openToken;
}

inline FT_STATUS GetNumChannels(uint32_t* count) {
    active->log.emplace_back("count");
    *count = active->channels;
    return FT_OK;
}
inline FT_STATUS GetChannelInfo(uint32_t index, FT_DEVICE_LIST_INFO_NODE* info) {
    active->log.emplace_back("info");
    if (index < active->serials.size()) {
        std::snprintf(info->SerialNumber, sizeof info->SerialNumber, "%s",
                      active->serials[index].c_str());
        std::snprintf(info->Description, sizeof info->Description, "%s board",
                      active->serials[index].c_str());
    }
    info->ftHandle = active->open && index == active->openedIndex ? OpenHandle() : nullptr;
    return FT_OK;
}
inline FT_STATUS OpenChannel(uint32_t index, FT_HANDLE* handle) {
    active->log.emplace_back("open");
    active->openedIndex = index;
    active->open = true;
    *handle = OpenHandle();
    return FT_OK;
}
inline FT_STATUS InitChannel(FT_HANDLE handle, ChannelConfig* config) {
    active->log.emplace_back("init");
    active->handles.push_back(handle);
    active->lastConfig = *config;
    return FT_OK;
}
inline FT_STATUS CloseChannel(FT_HANDLE handle) {
    active->log.emplace_back("close");
    active->handles.push_back(handle);
    active->open = false;
    return FT_OK;
}
// A transfer of the chip's: 2 bytes, chip select framing it.
inline FT_STATUS Transfer(FT_HANDLE handle, uint8_t* buffer, uint32_t size, uint32_t* done,
                          uint32_t options, bool write) {
    EXPECT_EQ(size, 2u);
    EXPECT_EQ(options, 6u);
    active->handles.push_back(handle);
    if (active->Fails()) {
        *done = active->failShort ? size - 1 : 0;
        return active->failShort ? FT_OK : FT_IO_ERROR;
    }
    if (size == 2) write ? active->Write(buffer[0], buffer[1]) : active->Read(buffer);
    *done = size;
    return FT_OK;
}
inline FT_STATUS Read(FT_HANDLE handle, uint8_t* buffer, uint32_t size, uint32_t* done,
                      uint32_t options) {
    return Transfer(handle, buffer, size, done, options, false);
}
inline FT_STATUS Write(FT_HANDLE handle, uint8_t* buffer, uint32_t size, uint32_t* done,
                       uint32_t options) {
    return Transfer(handle, buffer, size, done, options, true);
}
inline FT_STATUS IsBusy(FT_HANDLE, int*) {
    ADD_FAILURE() << "SPI_IsBusy is never called";
    return FT_OK;
}
inline FT_STATUS WriteGPIO(FT_HANDLE handle, uint8_t dir, uint8_t value) {
    active->handles.push_back(handle);
    active->Note("gpio", dir, value);
    return FT_OK;
}
inline FT_STATUS ReadGPIO(FT_HANDLE, uint8_t*) {
    ADD_FAILURE() << "FT_ReadGPIO is never called";
    return FT_OK;
}

inline chip::AdapterEntryPoints Table() {
    chip::AdapterEntryPoints table;
    table.SPI_GetNumChannels = GetNumChannels;
    table.SPI_GetChannelInfo = GetChannelInfo;
    table.SPI_OpenChannel = OpenChannel;
    table.SPI_InitChannel = InitChannel;
    table.SPI_CloseChannel = CloseChannel;
    table.SPI_Read = Read;
    table.SPI_Write = Write;
    table.SPI_IsBusy = IsBusy;
    table.FT_WriteGPIO = WriteGPIO;
    table.FT_ReadGPIO = ReadGPIO;
    return table;
}

/// Puts the chip behind the process's adapter binding.
inline void Install(Chip& chip) {
    active = &chip;
    chip::InstallAdapterEntryPoints(Table());
}

/// Counts the read pauses and notes them in the installed chip's log instead of sleeping.
class Clock : public chip::Clock {
  public:
    void Sleep(std::chrono::milliseconds duration) override {
        ++pauses;
        total += duration;
        if (active) active->log.push_back("sleep " + std::to_string(duration.count()));
    }
    int pauses = 0;
    std::chrono::milliseconds total{0};
};

/// Fixture: an adapter with no chip behind it (reads answer the queued words, then `idle`),
/// a fresh channel and a chip object on it.
class AdapterTest : public ::testing::Test {
  protected:
    AdapterTest() { adapter.present = false; }
    void SetUp() override { Install(adapter); }
    void TearDown() override { active = nullptr; }

    Chip adapter;
    Clock clock;
    chip::Adapter channel;
};

}  // namespace fake
