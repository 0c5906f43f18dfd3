// UnitSPI: the one SPI channel of the adapter - configuration, open, close and the 2-byte
// transfers every chip frame is built on, held by one Adapter object that the start-up model
// owns and hands to TASensDig. Only the library binding (UnitFTDI) is process-wide.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "chip/I2Cdeclarations.h"

namespace chip {

/// Every transfer: chip select asserted before the first byte, released after the last.
inline constexpr uint32_t kTransferOptions = SPI_TRANSFER_OPTIONS_SIZE_IN_BYTES |
                                             SPI_TRANSFER_OPTIONS_CHIPSELECT_ENABLE |
                                             SPI_TRANSFER_OPTIONS_CHIPSELECT_DISABLE;
/// The SPI clock rate in hertz the tool starts with: the design text "1000" of EditFreq.
inline constexpr uint32_t kDesignClockRate = 1000;
/// Clock rate used when the rate text is not an integer.
inline constexpr uint32_t kFallbackClockRate = 1000000;

/// Supplies the clock rate in hertz when the channel is opened (the text of EditFreq).
using ClockRateSource = std::function<uint32_t()>;

class Adapter {
  public:
    /// Without a source the rate is kDesignClockRate.
    explicit Adapter(ClockRateSource clockRate = {});
    Adapter(const Adapter&) = delete;
    Adapter& operator=(const Adapter&) = delete;

    /// The adapter to use among several: its serial number or description as the library
    /// lists it (see ChannelIsNamed). Empty, as by default: the first channel listed.
    void SelectAdapter(std::string selector) { selector_ = std::move(selector); }
    const std::string& SelectedAdapter() const { return selector_; }

    /// Which of the (selected adapter's) channels to use, from 0 (the default: the first).
    void SelectChannel(uint32_t nth) { nth_ = nth; }

    /// The channel used: the nth listed, or the nth one the selected adapter has.
    uint32_t ChannelIndex() const { return channelIndex_; }

    /// Opens (unless already open) and configures the channel with the current clock rate,
    /// sets the GPIO lines (all outputs, line 4 high) and returns the low byte of the channel
    /// count: every channel listed, or with an adapter selected the channels it has (none
    /// when it is not there: then no other adapter is opened in its place).
    uint8_t InitAdapter();

    /// Configures the channel again with another SPI clock (the open channel at once, else
    /// when it opens). Returns the library's status (FT_OK when no channel is open).
    FT_STATUS SetClockRate(uint32_t hz);

    /// Closes the open channel. Afterwards no call reaches the library with the closed handle:
    /// transfers and GPIO writes do nothing (a read's buffer keeps what it held) until the next
    /// InitAdapter. Before the first InitAdapter a transfer opens the channel on demand with
    /// the all-zero configuration.
    void CloseAdapter();

    /// One transfer of size bytes with kTransferOptions on the channel. A transfer that cannot
    /// be made returns FT_INVALID_HANDLE, buffer untouched; one that moved fewer bytes than
    /// asked returns FT_IO_ERROR even when the library said FT_OK.
    FT_STATUS ReadSPI(uint32_t size, uint8_t* buffer);
    FT_STATUS WriteSPI(uint32_t size, uint8_t* buffer);
    /// `count` bare read frames (the angle word) back to back: through the library's own
    /// burst when it has one (BurstInLibrary), else one ReadSPI each. words[i] gets each
    /// word, seconds[i] its time on the channel's clock (seconds from an origin of its own,
    /// the same for every burst); `read` how many were read (fewer after a failure, whose
    /// status is returned and counted as one failed transfer).
    FT_STATUS ReadAngleBurst(uint32_t count, uint16_t* words, double* seconds, uint32_t& read);
    /// Whether the bound adapter library reads bursts itself (this project's libraries do,
    /// FTDI's own does not).
    static bool BurstInLibrary();
    /// The eight GPIO lines of the channel's high byte (direction bit 1 = output).
    void SetAdapterGPIO(uint8_t PortDir, uint8_t PortState);

    /// True while a channel handle is held open.
    bool ChannelOpen() const { return handle_ != nullptr; }
    /// The configuration the channel was (or will be) opened with.
    const ChannelConfig& Config() const { return config_; }
    /// Transfers so far that did not complete: no channel, a status other than FT_OK or fewer
    /// bytes than asked (an adapter unplugged).
    uint64_t FailedTransfers() const { return failedTransfers_; }

  private:
    /// With an adapter selected: lists the channels, points channelIndex_ at its nth one and
    /// returns how many it has. Without one: the nth channel, nothing listed.
    uint32_t FindSelectedChannel();
    void OpenAndConfigure();
    /// The lazy open: a transfer with no open channel opens it with the configuration as it
    /// stands, except after an explicit CloseAdapter. Returns whether a handle is at hand.
    bool EnsureOpen();
    FT_STATUS Counted(FT_STATUS status, uint32_t transferred, uint32_t size);

    ClockRateSource clockRate_;
    ChannelConfig config_{};
    FT_HANDLE handle_ = nullptr;
    uint32_t channelIndex_ = 0;
    std::string selector_;
    uint32_t nth_ = 0;
    bool selectedMissing_ = false;  // the selected adapter was not listed: open nothing
    // Set by CloseAdapter, cleared by InitAdapter: a closed channel is not reopened on demand.
    bool closed_ = false;
    uint64_t failedTransfers_ = 0;
};

/// Whether a listed channel belongs to the adapter `selector` names: its serial number or its
/// description, letter case aside, alone or followed by the port letter that a device with
/// several channels adds ("FT7X1Q2BA", "Dual RS232-HS A" both answer to "FT7X1Q2B" and to
/// "dual rs232-hs").
bool ChannelIsNamed(const FT_DEVICE_LIST_INFO_NODE& info, std::string_view selector);

}  // namespace chip
