// UnitSPI: the one SPI channel of the adapter - configuration, open, close and the 2-byte
// transfers every chip frame is built on. Only TASensDig calls these operations.
#pragma once

#include <cstdint>
#include <functional>

#include "chip/I2Cdeclarations.h"

namespace chip {

/// Every transfer: chip select asserted before the first byte, released after the last.
inline constexpr uint32_t kTransferOptions = SPI_TRANSFER_OPTIONS_SIZE_IN_BYTES |
                                             SPI_TRANSFER_OPTIONS_CHIPSELECT_ENABLE |
                                             SPI_TRANSFER_OPTIONS_CHIPSELECT_DISABLE;
/// Clock rate used when the rate text is not an integer.
inline constexpr uint32_t kFallbackClockRate = 1000000;

/// Supplies the clock rate in hertz from the text of EditFreq when the channel is opened.
/// Without a provider the rate is 1000, the edit's design text.
void SetClockRateProvider(std::function<uint32_t()> provider);

/// Always 0: the one channel used.
uint32_t ChannelIndex();

/// Opens (unless already open) and configures channel 0 with the current clock rate, sets
/// the GPIO lines (all outputs, line 4 high) and returns the low byte of the channel count.
uint8_t InitAdapter();

/// Closes the open channel. Afterwards no call reaches the library with the closed handle:
/// transfers and GPIO writes do nothing (a read's buffer keeps what it held) until the next
/// InitAdapter. Before the first InitAdapter a transfer opens the channel on demand.
void CloseAdapter();

/// One transfer of size bytes with kTransferOptions. A transfer that cannot be made returns
/// FT_INVALID_HANDLE, buffer untouched; one that moved fewer bytes than asked returns
/// FT_IO_ERROR even when the library said FT_OK.
FT_STATUS ReadSPI(uint32_t index, uint32_t size, uint8_t* buffer);
FT_STATUS WriteSPI(uint32_t index, uint32_t size, uint8_t* buffer);
/// The eight GPIO lines of the channel's high byte (direction bit 1 = output).
void SetAdapterGPIO(uint8_t PortDir, uint8_t PortState);

/// True while a channel handle is held open.
bool ChannelOpen();
/// Transfers (ReadSPI, WriteSPI) so far that did not complete: no channel, a status other
/// than FT_OK or fewer bytes than asked (an adapter unplugged).
uint64_t FailedTransfers();
/// Back to the state at program load (tests): no channel, zero configuration.
void ResetAdapterState();

}  // namespace chip
