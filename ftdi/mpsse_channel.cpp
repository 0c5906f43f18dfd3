#include "ftdi/mpsse_channel.h"

#include <algorithm>
#include <cstring>

#include "ftdi/trace.h"

namespace ftdi {
namespace {

constexpr uint64_t kHSeriesBaseHz = 60'000'000;
constexpr uint64_t kFT2232DBaseHz = 12'000'000;

// The low byte lines the SPI function owns.
constexpr uint8_t kClockLine = 0x01;          // DBUS0, SK
constexpr uint8_t kDataOutLine = 0x02;        // DBUS1, DO (MOSI)
constexpr uint8_t kDataInLine = 0x04;         // DBUS2, DI (MISO)
constexpr uint32_t kFirstChipSelectLine = 3;  // DBUS3
constexpr uint32_t kLastChipSelectLine = 7;   // DBUS7

// One shifting command moves at most this many bytes (its length field is 16 bits).
constexpr uint32_t kMaxBytesPerCommand = 65536;
// A duplex segment with its commands fits the smallest buffer from the host, the FT2232D's
// 384 bytes.
constexpr uint32_t kDuplexSegmentBytes = 256;

// The USB round trip and the chip's latency timer on top of the clocking time.
constexpr std::chrono::milliseconds kUsbMargin{1000};

uint64_t baseClockOf(ChipFamily family) {
    return family == ChipFamily::HSeries ? kHSeriesBaseHz : kFT2232DBaseHz;
}

}  // namespace

ShiftCommands shiftCommandsFor(uint32_t spiMode) {
    // Bit 0 of a shifting command: write on the falling edge; bit 2: read on the falling
    // edge; bit 1: length in bits; 0x10 write, 0x20 read.
    switch (spiMode & SPI_CONFIG_OPTION_MODE_MASK) {
        case 0:  // idle low, change on falling, sample on rising
            return {0x11, 0x13, 0x20, 0x22, 0x31, 0x33, false};
        case 1:  // idle low, change on rising (leading), sample on falling
            return {0x10, 0x12, 0x24, 0x26, 0x34, 0x36, false};
        case 2:  // idle high, change on rising, sample on falling (leading)
            return {0x10, 0x12, 0x24, 0x26, 0x34, 0x36, true};
        default:  // 3: idle high, change on falling (leading), sample on rising
            return {0x11, 0x13, 0x20, 0x22, 0x31, 0x33, true};
    }
}

uint16_t clockDivisorFor(ChipFamily family, uint32_t requestedHz) {
    if (requestedHz == 0) return 0xFFFF;
    const uint64_t step = 2 * uint64_t{requestedHz};
    // The smallest (1 + divisor) whose rate base / ((1 + divisor) * 2) is not above the request.
    const uint64_t cycles = (baseClockOf(family) + step - 1) / step;
    return static_cast<uint16_t>(std::clamp<uint64_t>(cycles, 1, 65536) - 1);
}

uint32_t clockRateOf(ChipFamily family, uint16_t divisor) {
    return static_cast<uint32_t>(baseClockOf(family) / ((uint64_t{divisor} + 1) * 2));
}

MpsseChannel::MpsseChannel(Transport& transport, ChipFamily family)
    : transport_(transport), family_(family), shift_(shiftCommandsFor(0)) {}

FT_STATUS MpsseChannel::open() {
    if (transport_.reset() < 0 || transport_.purge() < 0 ||
        transport_.setBitMode(0, BitMode::Reset) < 0 ||
        transport_.setBitMode(0, BitMode::Mpsse) < 0) {
        trace("the channel refused reset, purge or MPSSE mode");
        return FT_IO_ERROR;
    }
    // A live engine answers an invalid command with 0xFA and the command.
    const std::vector<uint8_t> bogus{command::kBogus};
    if (const FT_STATUS status = sendAll(bogus, 0); status != FT_OK) return status;
    std::vector<uint8_t> reply(2);
    if (const FT_STATUS status = receiveAll(reply, 0); status != FT_OK) return status;
    if (reply[0] != command::kBadCommandReply || reply[1] != command::kBogus) {
        trace("the MPSSE answered %02X %02X instead of FA AA", reply[0], reply[1]);
        transport_.purge();
        return FT_OTHER_ERROR;
    }
    return FT_OK;
}

FT_STATUS MpsseChannel::init(const ChannelConfig& config) {
    const uint32_t chipSelectLine =
        kFirstChipSelectLine + ((config.configOptions & SPI_CONFIG_OPTION_CS_MASK) >> 2);
    if (chipSelectLine > kLastChipSelectLine) {
        trace("configOptions 0x%X selects no chip-select line", config.configOptions);
        return FT_INVALID_PARAMETER;
    }
    // The chip takes 1-255 ms; an all-zero configuration still gets a working channel.
    const uint8_t latency = config.LatencyTimer == 0 ? 1 : config.LatencyTimer;
    if (transport_.setLatencyTimer(latency) < 0) {
        trace("the channel refused latency timer %u ms", latency);
        return FT_IO_ERROR;
    }

    divisor_ = clockDivisorFor(family_, config.ClockRate);
    shift_ = shiftCommandsFor(config.configOptions);
    chipSelectMask_ = static_cast<uint8_t>(1u << chipSelectLine);
    chipSelectActiveLow_ = (config.configOptions & SPI_CONFIG_OPTION_CS_ACTIVELOW) != 0;
    // Pin: bits 7-0 the directions, bits 15-8 the values of the low byte lines. Clock, data
    // out and chip select are always outputs, data in always an input.
    const auto pinDirection = static_cast<uint8_t>(config.Pin & 0xFF);
    const auto pinValue = static_cast<uint8_t>((config.Pin >> 8) & 0xFF);
    lowDirection_ = static_cast<uint8_t>(
        (pinDirection | kClockLine | kDataOutLine | chipSelectMask_) & ~kDataInLine);
    lowIdleValue_ = static_cast<uint8_t>((pinValue & ~(kClockLine | chipSelectMask_)) |
                                         (shift_.clockIdlesHigh ? kClockLine : 0) |
                                         (chipSelectActiveLow_ ? chipSelectMask_ : 0));

    std::vector<uint8_t> commands;
    if (family_ == ChipFamily::HSeries) {
        commands.insert(commands.end(),
                        {command::kDivideBy5Off, command::kAdaptiveOff, command::kThreePhaseOff});
    }
    commands.insert(
        commands.end(),
        {command::kLoopbackOff, command::kClockDivisor, static_cast<uint8_t>(divisor_ & 0xFF),
         static_cast<uint8_t>(divisor_ >> 8), command::kSetLowByte, lowIdleValue_, lowDirection_});
    return sendAll(commands, 0);
}

FT_STATUS MpsseChannel::close() {
    if (transport_.setBitMode(0, BitMode::Reset) < 0) {
        trace("the channel refused to leave MPSSE mode");
        return FT_IO_ERROR;
    }
    return FT_OK;
}

FT_STATUS MpsseChannel::write(const uint8_t* buffer, uint32_t size, uint32_t* transferred,
                              uint32_t options) {
    return transfer(Shift::Out, nullptr, buffer, size, transferred, options);
}

FT_STATUS MpsseChannel::read(uint8_t* buffer, uint32_t size, uint32_t* transferred,
                             uint32_t options) {
    return transfer(Shift::In, buffer, nullptr, size, transferred, options);
}

FT_STATUS MpsseChannel::readWrite(uint8_t* inBuffer, const uint8_t* outBuffer, uint32_t size,
                                  uint32_t* transferred, uint32_t options) {
    return transfer(Shift::OutIn, inBuffer, outBuffer, size, transferred, options);
}

FT_STATUS MpsseChannel::writeGpio(uint8_t direction, uint8_t value) {
    return sendAll({command::kSetHighByte, value, direction}, 0);
}

FT_STATUS MpsseChannel::readGpio(uint8_t* value) {
    if (value == nullptr) return FT_INVALID_PARAMETER;
    if (const FT_STATUS status = sendAll({command::kReadHighByte, command::kSendImmediate}, 0);
        status != FT_OK) {
        return status;
    }
    std::vector<uint8_t> reply(1);
    const FT_STATUS status = receiveAll(reply, 0);
    if (status == FT_OK) *value = reply[0];
    return status;
}

FT_STATUS MpsseChannel::transfer(Shift shift, uint8_t* inBuffer, const uint8_t* outBuffer,
                                 uint32_t size, uint32_t* transferred, uint32_t options) {
    const bool reads = shift != Shift::Out;
    const bool writes = shift != Shift::In;
    if (transferred == nullptr ||
        (size > 0 && ((reads && inBuffer == nullptr) || (writes && outBuffer == nullptr)))) {
        return FT_INVALID_PARAMETER;
    }
    *transferred = 0;

    const bool inBits = (options & SPI_TRANSFER_OPTIONS_SIZE_IN_BITS) != 0;
    const uint32_t wholeBytes = inBits ? size / 8 : size;
    const uint32_t restBits = inBits ? size % 8 : 0;
    const uint32_t totalBytes = wholeBytes + (restBits > 0 ? 1 : 0);
    const auto [byteCommand, bitCommand] =
        shift == Shift::Out  ? std::pair{shift_.writeBytes, shift_.writeBits}
        : shift == Shift::In ? std::pair{shift_.readBytes, shift_.readBits}
                             : std::pair{shift_.transferBytes, shift_.transferBits};
    // A duplex transfer goes in segments that fit the chip's buffers: written whole, a long
    // one would stall the engine on its full buffer towards the host while the rest of our
    // write waits for it, until the write timed out.
    const uint32_t segmentBytes = shift == Shift::OutIn ? kDuplexSegmentBytes : totalBytes;

    std::vector<uint8_t> received;
    received.reserve(reads ? totalBytes : 0);
    // Whatever arrived is handed over, never more than was asked for.
    const auto handOver = [&](FT_STATUS status) {
        if (!received.empty()) std::memcpy(inBuffer, received.data(), received.size());
        const auto count = static_cast<uint32_t>(received.size());
        *transferred = status == FT_OK ? size
                       : inBits
                           ? static_cast<uint32_t>(std::min<uint64_t>(uint64_t{count} * 8, size))
                           : count;
        return status;
    };

    uint32_t offset = 0;
    do {
        const uint32_t count = std::min(totalBytes - offset, segmentBytes);
        const bool first = offset == 0;
        const bool last = offset + count == totalBytes;
        // The bits of a size in bits that fill no whole byte end the last segment.
        const uint32_t segmentWhole = last && restBits > 0 ? count - 1 : count;
        const uint32_t segmentRest = last ? restBits : 0;

        std::vector<uint8_t> commands;
        commands.reserve((writes ? count : 0) + 3 * (count / kMaxBytesPerCommand + 1) + 10);
        if (first && (options & SPI_TRANSFER_OPTIONS_CHIPSELECT_ENABLE)) {
            appendChipSelect(commands, true);
        }
        for (uint32_t done = 0; done < segmentWhole;) {
            const uint32_t part = std::min(segmentWhole - done, kMaxBytesPerCommand);
            commands.insert(commands.end(), {byteCommand, static_cast<uint8_t>((part - 1) & 0xFF),
                                             static_cast<uint8_t>((part - 1) >> 8)});
            if (writes) {
                const uint8_t* data = outBuffer + offset + done;
                commands.insert(commands.end(), data, data + part);
            }
            done += part;
        }
        if (segmentRest > 0) {
            // The bits go out from the top of the last byte, most significant first; bits read
            // arrive in the low bits of the last byte, as the engine shifts them in.
            commands.insert(commands.end(), {bitCommand, static_cast<uint8_t>(segmentRest - 1)});
            if (writes) commands.push_back(outBuffer[offset + segmentWhole]);
        }
        if (last && (options & SPI_TRANSFER_OPTIONS_CHIPSELECT_DISABLE)) {
            appendChipSelect(commands, false);
        }
        if (commands.empty()) return FT_OK;
        if (reads && count > 0) commands.push_back(command::kSendImmediate);

        const uint64_t bits = uint64_t{segmentWhole} * 8 + segmentRest;
        if (const FT_STATUS status = sendAll(commands, bits); status != FT_OK) {
            return handOver(status);
        }
        if (reads && count > 0) {
            std::vector<uint8_t> segment(count);
            const FT_STATUS status = receiveAll(segment, bits);
            received.insert(received.end(), segment.begin(), segment.end());
            if (status != FT_OK) return handOver(status);
        }
        offset += count;
    } while (offset < totalBytes);
    return handOver(FT_OK);
}

void MpsseChannel::appendChipSelect(std::vector<uint8_t>& commands, bool asserted) const {
    const auto value =
        static_cast<uint8_t>(asserted ? lowIdleValue_ ^ chipSelectMask_ : lowIdleValue_);
    commands.insert(commands.end(), {command::kSetLowByte, value, lowDirection_});
}

std::chrono::milliseconds MpsseChannel::timeoutFor(uint64_t bits) const {
    const uint64_t rate = std::max<uint32_t>(clockRate(), 1);
    // Twice the clocking time, so that a slow clock never looks like a dead device.
    const uint64_t clocking = std::min<uint64_t>((bits * 2000 + rate - 1) / rate, 86'400'000);
    return kUsbMargin + std::chrono::milliseconds{clocking};
}

FT_STATUS MpsseChannel::sendAll(const std::vector<uint8_t>& commands, uint64_t bits) {
    const int sent = transport_.write(commands, timeoutFor(bits));
    if (sent == static_cast<int>(commands.size())) return FT_OK;
    trace("USB write of %zu bytes failed (%d)", commands.size(), sent);
    // A half-sent sequence would leave the engine waiting for data bytes.
    transport_.purge();
    return FT_IO_ERROR;
}

FT_STATUS MpsseChannel::receiveAll(std::vector<uint8_t>& buffer, uint64_t bits) {
    const int got = transport_.read(buffer, timeoutFor(bits));
    if (got == static_cast<int>(buffer.size())) return FT_OK;
    trace("USB read got %d of %zu bytes", got, buffer.size());
    buffer.resize(static_cast<size_t>(std::clamp<int>(got, 0, static_cast<int>(buffer.size()))));
    transport_.purge();
    return FT_IO_ERROR;
}

}  // namespace ftdi
