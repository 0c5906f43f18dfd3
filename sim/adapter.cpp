// The adapter side of the virtual chip: FTDI's MPSSE SPI entry points over one chip model
// per channel, with the scenario, the state file and the trace around them.
#include <algorithm>
#include <chrono>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>
#ifdef _WIN32
#include <windows.h>
#else
#include <mutex>
#endif

#include "chip/I2Cdeclarations.h"
#include "chip/utf8_path.h"
#include "sim/append_file.h"
#include "sim/chip_model.h"
#include "sim/qx5520_sim.h"
#include "sim/scenario.h"
#include "sim/state_file.h"

namespace {

using sim::OpenForAppending;

using sim::ChipModel;

constexpr uint32_t kDeviceId = 0x04036014;
constexpr uint32_t kLocationBase = 0x0101;
constexpr const char* kSerialNumber = "QX5520SIM";
constexpr const char* kDescription = "QX5520 virtual chip";
constexpr uintptr_t kHandleBase = 0x55200000;

const auto gLoadTime = std::chrono::steady_clock::now();

// A seed of the channel noise for each chip this process starts: from the clock, so that
// two runs a second apart (or side by side) do not log the same noise.
uint32_t NoiseSeed(uint32_t channel) {
    const auto ticks = uint64_t(std::chrono::system_clock::now().time_since_epoch().count()) ^
                       uint64_t(std::chrono::steady_clock::now().time_since_epoch().count());
    return uint32_t(ticks ^ (ticks >> 32)) + channel;
}

struct Channel {
    std::unique_ptr<ChipModel> chip;
    FT_HANDLE handle = nullptr;  // null while closed
    bool frameOpen = false;      // chip select asserted
    sim::KeptState state;        // the registers in the state file (channel 0)
    ChannelConfig config{};
    uint8_t gpioDirection = 0;
    uint8_t gpioValue = 0;
    // The channel's clock of bursts: seconds since it was opened, and when the last burst's
    // frames are over on it.
    double openedAt = 0.0;
    double busFreeAt = 0.0;
};

// One lock around every call. MinGW's default thread model has no std::mutex, so Windows
// uses its own slim lock.
#ifdef _WIN32
class CallLock {
  public:
    void lock() { AcquireSRWLockExclusive(&lock_); }
    void unlock() { ReleaseSRWLockExclusive(&lock_); }

  private:
    SRWLOCK lock_ = SRWLOCK_INIT;
};
#else
using CallLock = std::mutex;
#endif

// Holds the lock for the rest of the scope.
class Locked {
  public:
    explicit Locked(CallLock& lock) : lock_(lock) { lock_.lock(); }
    ~Locked() { lock_.unlock(); }
    Locked(const Locked&) = delete;
    Locked& operator=(const Locked&) = delete;

  private:
    CallLock& lock_;
};

class Adapter {
  public:
    CallLock mutex;

    // Everything below is used with the mutex held.
    void EnsureLoaded() {
        if (!loaded_) Load();
    }

    void Load() {
        settings_ = sim::Settings{};
        if (const std::filesystem::path path = chip::PathFromEnvironment("QX5520_SIM");
            !path.empty()) {
            sim::ScenarioResult scenario = sim::LoadScenario(chip::Utf8FromPath(path));
            for (const std::string& line : scenario.errors) Complain(line);
            settings_ = std::move(scenario.settings);
        }
        channels_.clear();
        channels_.resize(settings_.channels);
        for (uint32_t i = 0; i < channels_.size(); ++i) {
            ChipModel::Clock clock;
            if (seconds_ != nullptr) clock = seconds_;
            const uint32_t seed = settings_.seed ? *settings_.seed + i : NoiseSeed(i);
            channels_[i].chip = std::make_unique<ChipModel>(settings_.chip, clock, seed);
            if (!settings_.truthFile.empty()) {
                channels_[i].chip->SetTruthSink(
                    [this](double seconds, double degrees) { LogTruth(seconds, degrees); });
            }
        }
        transfers_ = 0;
        vanished_ = false;
        loaded_ = true;
    }

    const sim::Settings& settings() const { return settings_; }
    void SetClock(QX5520Sim_Seconds_t seconds) { seconds_ = seconds; }
    bool vanished() const { return vanished_; }
    uint32_t ChannelCount() const { return vanished_ ? 0 : uint32_t(channels_.size()); }
    Channel* ChannelAt(uint32_t index) {
        return index < ChannelCount() ? &channels_[index] : nullptr;
    }

    // The channel a handle names, or null for a null, unknown or closed handle.
    Channel* Find(FT_HANDLE handle) {
        if (!handle) return nullptr;
        for (auto& channel : channels_) {
            if (channel.handle == handle) return &channel;
        }
        return nullptr;
    }

    FT_HANDLE NewHandle(uint32_t index) {
        ++opens_;
        return reinterpret_cast<FT_HANDLE>(kHandleBase + (uintptr_t(opens_) << 5) + index);
    }

    // Counts one transfer; false once the adapter has been unplugged.
    bool CountTransfer() {
        if (vanished_) return false;
        if (settings_.vanishAfter && transfers_ >= *settings_.vanishAfter) {
            vanished_ = true;
            return false;
        }
        ++transfers_;
        return true;
    }

    // Only the first channel keeps its registers in the state file.
    void OpenState(Channel& channel, uint32_t index) {
        if (index == 0) channel.state.Open(settings_.stateFile, *channel.chip, Complain);
    }

    void SaveState(Channel& channel) {
        if (&channel == &channels_[0])
            channel.state.Save(settings_.stateFile, *channel.chip, Complain);
    }

    void Trace(FT_STATUS status, const char* format, ...) {
        if (settings_.traceFile.empty()) return;
        char text[512];
        va_list args;
        va_start(args, format);
        std::vsnprintf(text, sizeof text, format, args);
        va_end(args);
        TraceLine(status, text);
    }

    void TraceBytes(FT_STATUS status, const char* verb, const uint8_t* bytes, size_t count) {
        if (settings_.traceFile.empty()) return;
        std::string text = verb;
        for (size_t i = 0; bytes && i < count; ++i) {
            char hex[4];
            std::snprintf(hex, sizeof hex, " %02X", bytes[i]);
            text += hex;
        }
        TraceLine(status, text.c_str());
    }

    static void Complain(const std::string& line) { std::fprintf(stderr, "%s\n", line.c_str()); }

  private:
    // "seconds;degrees" per conversion, appended as the trace is.
    void LogTruth(double seconds, double degrees) {
        char line[64];
        const int length = std::snprintf(line, sizeof line, "%.6f;%.4f\n", seconds, degrees);
        if (std::FILE* file = OpenForAppending(settings_.truthFile)) {
            std::fwrite(line, 1, static_cast<size_t>(length), file);
            std::fclose(file);
        } else if (!truthComplained_) {
            truthComplained_ = true;
            Complain("QX5520 virtual chip: cannot append to truth file " + settings_.truthFile);
        }
    }

    void TraceLine(FT_STATUS status, const char* text) {
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                            std::chrono::steady_clock::now() - gLoadTime)
                            .count();
        std::string line = std::to_string(ms) + " " + text;
        if (status != FT_OK) line += " status " + std::to_string(status);
        line += "\n";
        // Open, append, close: several processes may share one trace.
        if (std::FILE* file = OpenForAppending(settings_.traceFile)) {
            std::fwrite(line.data(), 1, line.size(), file);
            std::fclose(file);
        } else if (!traceComplained_) {
            traceComplained_ = true;
            Complain("QX5520 virtual chip: cannot append to trace file " + settings_.traceFile);
        }
    }

    bool loaded_ = false;
    bool truthComplained_ = false;
    sim::Settings settings_;
    QX5520Sim_Seconds_t seconds_ = nullptr;  // null: the wall clock
    std::vector<Channel> channels_;
    uint64_t transfers_ = 0;
    uint64_t opens_ = 0;
    bool vanished_ = false;
    bool traceComplained_ = false;
};

Adapter& TheAdapter() {
    static Adapter adapter;
    return adapter;
}

// The status for a handle that names no usable channel.
FT_STATUS Unusable(Adapter& adapter, FT_HANDLE handle) {
    return handle && adapter.vanished() ? FT_DEVICE_NOT_FOUND : FT_INVALID_HANDLE;
}

// Every entry point: the body runs on the loaded adapter with the call lock held.
template <typename Body>
FT_STATUS Entry(Body&& body) {
    Adapter& adapter = TheAdapter();
    Locked lock(adapter.mutex);
    adapter.EnsureLoaded();
    return body(adapter);
}

// The channel behind handle while the adapter is there; otherwise null, with status set to
// what an unusable handle answers.
Channel* UsableChannel(Adapter& adapter, FT_HANDLE handle, FT_STATUS& status) {
    Channel* channel = adapter.Find(handle);
    if (channel == nullptr || adapter.vanished()) {
        status = Unusable(adapter, handle);
        return nullptr;
    }
    return channel;
}

enum class Direction { Write, Read, Both };

FT_STATUS Transfer(Direction direction, FT_HANDLE handle, uint8_t* received, const uint8_t* sent,
                   uint32_t size, uint32_t* transferred, uint32_t options) {
    return Entry([&](Adapter& adapter) -> FT_STATUS {
        const bool reads = direction != Direction::Write;
        const bool writes = direction != Direction::Read;
        const char* const readVerb = "read";
        const char* const writeVerb = "write";

        FT_STATUS status = FT_OK;
        Channel* channel = adapter.Find(handle);
        const uint32_t bytes = (options & SPI_TRANSFER_OPTIONS_SIZE_IN_BITS)
                                   ? uint32_t((uint64_t(size) + 7) / 8)
                                   : size;
        if (!channel) {
            status = Unusable(adapter, handle);
        } else if (bytes > 0 && ((reads && !received) || (writes && !sent))) {
            status = FT_INVALID_PARAMETER;
        } else if (!adapter.CountTransfer()) {
            status = FT_DEVICE_NOT_FOUND;
        }
        if (status != FT_OK) {
            if (writes) adapter.TraceBytes(status, writeVerb, nullptr, 0);
            if (reads) adapter.TraceBytes(status, readVerb, nullptr, 0);
            return status;
        }

        if ((options & SPI_TRANSFER_OPTIONS_CHIPSELECT_ENABLE) && !channel->frameOpen) {
            channel->chip->BeginFrame();
            channel->frameOpen = true;
        }
        if (channel->frameOpen) {
            if (reads) channel->chip->Receive(received, bytes);
            if (writes) channel->chip->Send(sent, bytes);
        } else if (reads) {
            std::memset(received, 0xFF, bytes);  // chip not selected: the line floats high
        }
        if ((options & SPI_TRANSFER_OPTIONS_CHIPSELECT_DISABLE) && channel->frameOpen) {
            channel->chip->EndFrame();
            channel->frameOpen = false;
        }
        if (transferred) *transferred = size;
        adapter.SaveState(*channel);
        if (writes) adapter.TraceBytes(FT_OK, writeVerb, sent, bytes);
        if (reads) adapter.TraceBytes(FT_OK, readVerb, received, bytes);
        return FT_OK;
    });
}

}  // namespace

extern "C" {

QX_MPSSE_EXPORT FT_STATUS SPI_GetNumChannels(uint32_t* numChannels) {
    return Entry([&](Adapter& adapter) -> FT_STATUS {
        if (!numChannels) return FT_INVALID_PARAMETER;
        *numChannels = adapter.ChannelCount();
        adapter.Trace(FT_OK, "count %u", unsigned(*numChannels));
        return FT_OK;
    });
}

QX_MPSSE_EXPORT FT_STATUS SPI_GetChannelInfo(uint32_t index, FT_DEVICE_LIST_INFO_NODE* chanInfo) {
    return Entry([&](Adapter& adapter) -> FT_STATUS {
        FT_STATUS status = FT_OK;
        const Channel* channel = adapter.ChannelAt(index);
        if (!chanInfo) {
            status = FT_INVALID_PARAMETER;
        } else if (!channel) {
            status = FT_DEVICE_NOT_FOUND;
        } else {
            FT_DEVICE_LIST_INFO_NODE info{};
            info.Flags = FT_FLAGS_HISPEED | (channel->handle ? FT_FLAGS_OPENED : 0u);
            info.Type = FT_DEVICE_232H;
            info.ID = kDeviceId;
            info.LocId = kLocationBase + index;
            std::snprintf(info.SerialNumber, sizeof info.SerialNumber, "%s", kSerialNumber);
            std::snprintf(info.Description, sizeof info.Description, "%s", kDescription);
            info.ftHandle = channel->handle;
            *chanInfo = info;
        }
        adapter.Trace(status, "info %u", unsigned(index));
        return status;
    });
}

QX_MPSSE_EXPORT FT_STATUS SPI_OpenChannel(uint32_t index, FT_HANDLE* handle) {
    return Entry([&](Adapter& adapter) -> FT_STATUS {
        FT_STATUS status = FT_OK;
        Channel* channel = adapter.ChannelAt(index);
        if (!handle) {
            status = FT_INVALID_PARAMETER;
        } else if (!channel) {
            status = FT_DEVICE_NOT_FOUND;
        } else if (channel->handle) {
            status = FT_DEVICE_NOT_OPENED;  // already open: FTDI's driver refuses a second open
        } else {
            adapter.OpenState(*channel, index);
            channel->handle = adapter.NewHandle(index);
            channel->frameOpen = false;
            channel->openedAt = channel->chip->Now();
            channel->busFreeAt = 0.0;
            *handle = channel->handle;
        }
        adapter.Trace(status, "open %u", unsigned(index));
        return status;
    });
}

QX_MPSSE_EXPORT FT_STATUS SPI_InitChannel(FT_HANDLE handle, ChannelConfig* config) {
    return Entry([&](Adapter& adapter) -> FT_STATUS {
        FT_STATUS status = FT_OK;
        if (Channel* channel = UsableChannel(adapter, handle, status); channel && !config) {
            status = FT_INVALID_PARAMETER;
        } else if (channel) {
            channel->config = *config;
        }
        if (config) {
            adapter.Trace(status, "init %u %u 0x%02X", unsigned(config->ClockRate),
                          unsigned(config->LatencyTimer), unsigned(config->configOptions));
        } else {
            adapter.Trace(status, "init");
        }
        return status;
    });
}

QX_MPSSE_EXPORT FT_STATUS SPI_CloseChannel(FT_HANDLE handle) {
    return Entry([&](Adapter& adapter) -> FT_STATUS {
        Channel* channel = adapter.Find(handle);
        FT_STATUS status = FT_OK;
        if (!channel) {
            status = Unusable(adapter, handle);
        } else {
            if (channel->frameOpen) channel->chip->EndFrame();  // the lines go idle: CS released
            channel->frameOpen = false;
            channel->handle = nullptr;
            if (adapter.vanished()) status = FT_DEVICE_NOT_FOUND;
        }
        adapter.Trace(status, "close");
        return status;
    });
}

QX_MPSSE_EXPORT FT_STATUS SPI_Read(FT_HANDLE handle, uint8_t* buffer, uint32_t sizeToTransfer,
                                   uint32_t* sizeTransferred, uint32_t options) {
    return Transfer(Direction::Read, handle, buffer, nullptr, sizeToTransfer, sizeTransferred,
                    options);
}

QX_MPSSE_EXPORT FT_STATUS SPI_Write(FT_HANDLE handle, uint8_t* buffer, uint32_t sizeToTransfer,
                                    uint32_t* sizeTransferred, uint32_t options) {
    return Transfer(Direction::Write, handle, nullptr, buffer, sizeToTransfer, sizeTransferred,
                    options);
}

QX_MPSSE_EXPORT FT_STATUS SPI_ReadWrite(FT_HANDLE handle, uint8_t* inBuffer, uint8_t* outBuffer,
                                        uint32_t sizeToTransfer, uint32_t* sizeTransferred,
                                        uint32_t options) {
    return Transfer(Direction::Both, handle, inBuffer, outBuffer, sizeToTransfer, sizeTransferred,
                    options);
}

// The frames of a burst follow one another on the bus at the channel's SPI clock, each
// QX_BURST_FRAME_CLOCKS long; a burst asked for before the last one's frames are over starts
// where they end, so that bursts in a row leave no gap and never overlap. Their times count
// from the channel's opening (an epoch's seconds in a double keep only some 0.2 µs).
QX_MPSSE_EXPORT FT_STATUS QX_ReadAngleBurst(FT_HANDLE handle, uint32_t count, uint16_t* words,
                                            double* seconds, uint32_t* read) {
    return Entry([&](Adapter& adapter) -> FT_STATUS {
        if (read) *read = 0;
        FT_STATUS status = FT_OK;
        Channel* channel = UsableChannel(adapter, handle, status);
        if (channel && (!read || (count > 0 && (!words || !seconds)))) {
            status = FT_INVALID_PARAMETER;
        } else if (channel && !adapter.CountTransfer()) {
            status = FT_DEVICE_NOT_FOUND;
        }
        if (status != FT_OK) {
            adapter.Trace(status, "burst %u", unsigned(count));
            return status;
        }
        const double clockHz = std::max<double>(channel->config.ClockRate, 1.0);
        const double frame = QX_BURST_FRAME_CLOCKS / clockHz;
        const double start = std::max(channel->chip->Now() - channel->openedAt, channel->busFreeAt);
        for (uint32_t i = 0; i < count; ++i) {
            seconds[i] = start + (i + 0.5) * frame;  // the middle of the frame
            words[i] = channel->chip->AngleWordAt(channel->openedAt + seconds[i]);
        }
        channel->busFreeAt = start + count * frame;
        *read = count;
        adapter.Trace(FT_OK, "burst %u", unsigned(count));
        return FT_OK;
    });
}

QX_MPSSE_EXPORT FT_STATUS SPI_IsBusy(FT_HANDLE handle, int* state) {
    return Entry([&](Adapter& adapter) -> FT_STATUS {
        FT_STATUS status = FT_OK;
        if (UsableChannel(adapter, handle, status) != nullptr) {
            if (!state) {
                status = FT_INVALID_PARAMETER;
            } else {
                *state = 0;  // transfers finish before their call returns
            }
        }
        adapter.Trace(status, "busy");
        return status;
    });
}

QX_MPSSE_EXPORT FT_STATUS FT_WriteGPIO(FT_HANDLE handle, uint8_t dir, uint8_t value) {
    return Entry([&](Adapter& adapter) -> FT_STATUS {
        FT_STATUS status = FT_OK;
        if (Channel* channel = UsableChannel(adapter, handle, status)) {
            channel->gpioDirection = dir;
            channel->gpioValue = value;
        }
        adapter.Trace(status, "gpio 0x%02X 0x%02X", unsigned(dir), unsigned(value));
        return status;
    });
}

QX_MPSSE_EXPORT FT_STATUS FT_ReadGPIO(FT_HANDLE handle, uint8_t* value) {
    return Entry([&](Adapter& adapter) -> FT_STATUS {
        FT_STATUS status = FT_OK;
        if (Channel* channel = UsableChannel(adapter, handle, status); channel && !value) {
            status = FT_INVALID_PARAMETER;
        } else if (channel) {
            // Outputs read what was driven; inputs float high.
            *value =
                uint8_t((channel->gpioValue & channel->gpioDirection) | ~channel->gpioDirection);
        }
        if (status == FT_OK) {
            adapter.Trace(status, "gpioread 0x%02X", unsigned(*value));
        } else {
            adapter.Trace(status, "gpioread");
        }
        return status;
    });
}

QX_MPSSE_EXPORT void Init_libMPSSE(void) {}

QX_MPSSE_EXPORT void Cleanup_libMPSSE(void) {}

QX_MPSSE_EXPORT void QX5520Sim_Reset(void) {
    Adapter& adapter = TheAdapter();
    Locked lock(adapter.mutex);
    adapter.Load();
}

QX_MPSSE_EXPORT void QX5520Sim_SetClock(QX5520Sim_Seconds_t seconds) {
    Adapter& adapter = TheAdapter();
    Locked lock(adapter.mutex);
    adapter.SetClock(seconds);
}

}  // extern "C"
