// A fake adapter table for tests of chip/ and app/: it records every call the binding makes,
// answers reads from a queue of words and counts the pauses of an injected clock in the same
// record, so a test can assert frames and pauses in their order.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <deque>
#include <string>
#include <vector>

#include "chip/ASens_Digital.h"
#include "chip/UnitFTDI.h"
#include "chip/UnitSPI.h"

namespace fake {

inline int openToken = 0;
inline FT_HANDLE OpenHandle() {
    return &openToken;
}

struct Adapter {
    /// Every call in order: "write 4F 00", "read 08 E2", "sleep 100", "open", "init",
    /// "close", "gpio FF 10", "info", "count".
    std::vector<std::string> log;
    /// Words the next reads bring back; when empty, reads bring back `idle`.
    std::deque<uint16_t> reads;
    uint16_t idle = 0xFFFF;
    uint32_t channels = 1;
    bool open = false;
    ChannelConfig lastConfig{};
    std::vector<FT_HANDLE> handles;  // the handle of every call that takes one

    void Note(const char* what, uint8_t a, uint8_t b) {
        char text[32];
        std::snprintf(text, sizeof text, "%s %02X %02X", what, a, b);
        log.emplace_back(text);
    }
    /// The log without entries of one kind, e.g. only the frames.
    std::vector<std::string> Frames() const {
        std::vector<std::string> frames;
        for (const std::string& entry : log) {
            if (entry.rfind("write", 0) == 0 || entry.rfind("read", 0) == 0 ||
                entry.rfind("sleep", 0) == 0) {
                frames.push_back(entry);
            }
        }
        return frames;
    }
};

inline Adapter* active = nullptr;

inline FT_STATUS GetNumChannels(uint32_t* count) {
    active->log.emplace_back("count");
    *count = active->channels;
    return FT_OK;
}
inline FT_STATUS GetChannelInfo(uint32_t, FT_DEVICE_LIST_INFO_NODE* info) {
    active->log.emplace_back("info");
    info->ftHandle = active->open ? OpenHandle() : nullptr;
    return FT_OK;
}
inline FT_STATUS OpenChannel(uint32_t, FT_HANDLE* handle) {
    active->log.emplace_back("open");
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
inline FT_STATUS Read(FT_HANDLE handle, uint8_t* buffer, uint32_t size, uint32_t* done,
                      uint32_t options) {
    EXPECT_EQ(size, 2u);
    EXPECT_EQ(options, 6u);
    active->handles.push_back(handle);
    uint16_t word = active->idle;
    if (!active->reads.empty()) {
        word = active->reads.front();
        active->reads.pop_front();
    }
    buffer[0] = static_cast<uint8_t>(word >> 8);
    buffer[1] = static_cast<uint8_t>(word & 0xFF);
    *done = 2;
    active->Note("read", buffer[0], buffer[1]);
    return FT_OK;
}
inline FT_STATUS Write(FT_HANDLE handle, uint8_t* buffer, uint32_t size, uint32_t* done,
                       uint32_t options) {
    EXPECT_EQ(size, 2u);
    EXPECT_EQ(options, 6u);
    active->handles.push_back(handle);
    *done = 2;
    active->Note("write", buffer[0], buffer[1]);
    return FT_OK;
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

/// Records each pause into the adapter's log instead of sleeping.
class Clock : public chip::Clock {
  public:
    void Sleep(std::chrono::milliseconds duration) override {
        active->log.push_back("sleep " + std::to_string(duration.count()));
    }
};

/// Base fixture: a fresh fake adapter behind the binding and a fresh channel state.
class AdapterTest : public ::testing::Test {
  protected:
    void SetUp() override {
        active = &adapter;
        chip::InstallAdapterEntryPoints(Table());
        chip::ResetAdapterState();
    }
    void TearDown() override {
        chip::ResetAdapterState();
        chip::SetClockRateProvider(nullptr);
        active = nullptr;
    }

    Adapter adapter;
    Clock clock;
};

}  // namespace fake
