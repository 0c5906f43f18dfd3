// The MPSSE traffic of one channel, byte for byte, against FTDI's published command set.
#include "ftdi/mpsse_channel.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>

#include "fake_transport.h"

namespace ftdi {
namespace {

using ::testing::Each;
using ::testing::ElementsAre;
using testing::FakeTransport;
using testing::hex;

constexpr uint32_t kFramed = SPI_TRANSFER_OPTIONS_SIZE_IN_BYTES |
                             SPI_TRANSFER_OPTIONS_CHIPSELECT_ENABLE |
                             SPI_TRANSFER_OPTIONS_CHIPSELECT_DISABLE;

ChannelConfig configFor(uint32_t clockRate, uint32_t options, uint32_t pin = 0) {
    ChannelConfig config{};
    config.ClockRate = clockRate;
    config.LatencyTimer = 1;
    config.configOptions = options;
    config.Pin = pin;
    return config;
}

/// A channel opened and configured as the tool does: 1 kHz, mode 0, DBUS3 active low.
struct ReadyChannel {
    explicit ReadyChannel(uint32_t options = 0x20, ChipFamily family = ChipFamily::HSeries)
        : channel(transport, family) {
        transport.answer({0xFA, 0xAA});
        EXPECT_EQ(channel.open(), FT_OK);
        const ChannelConfig config = configFor(1000, options);
        EXPECT_EQ(channel.init(config), FT_OK);
        transport.log.clear();
        transport.written.clear();
    }
    FakeTransport transport;
    MpsseChannel channel;
};

TEST(MpsseOpen, ResetsPurgesEntersMpsseAndChecksTheEngineAnswers) {
    FakeTransport transport;
    transport.answer({0xFA, 0xAA});
    MpsseChannel channel(transport, ChipFamily::HSeries);
    EXPECT_EQ(channel.open(), FT_OK);
    EXPECT_THAT(transport.log, ElementsAre("reset", "purge", "bitmode 00 00", "bitmode 00 02",
                                           "write AA", "read 2"));
}

TEST(MpsseOpen, FailsWhenTheEngineDoesNotAnswerProperly) {
    struct Case {
        std::vector<uint8_t> answer;
        FT_STATUS status;
    };
    for (const Case& c :
         {Case{{}, FT_IO_ERROR}, Case{{0xFA}, FT_IO_ERROR}, Case{{0xAA, 0xFA}, FT_OTHER_ERROR}}) {
        FakeTransport transport;
        transport.answer(c.answer);
        MpsseChannel channel(transport, ChipFamily::HSeries);
        EXPECT_EQ(channel.open(), c.status) << hex(c.answer);
        EXPECT_EQ(transport.log.back(), "purge") << "stale bytes must not answer later reads";
    }
}

TEST(MpsseOpen, UnpluggedDeviceFailsAtOnce) {
    FakeTransport transport;
    transport.unplugged = true;
    MpsseChannel channel(transport, ChipFamily::HSeries);
    EXPECT_EQ(channel.open(), FT_IO_ERROR);
    EXPECT_THAT(transport.log, ElementsAre("reset"));
}

TEST(ClockDivisor, GivesTheFastestRateNotAboveTheRequestWithinTheChipsRange) {
    struct Case {
        ChipFamily family;
        uint32_t requested;
        uint16_t divisor;
        uint32_t rate;
    };
    const Case cases[] = {
        {ChipFamily::HSeries, 30'000'000, 0, 30'000'000},
        {ChipFamily::HSeries, 40'000'000, 0, 30'000'000},  // above the top: the top
        {ChipFamily::HSeries, 7'000'000, 4, 6'000'000},    // between steps: the step below
        {ChipFamily::HSeries, 1'000'000, 29, 1'000'000},
        {ChipFamily::HSeries, 1000, 29999, 1000},
        {ChipFamily::HSeries, 458, 65502, 457},
        {ChipFamily::HSeries, 100, 0xFFFF, 457},  // below the bottom: the bottom
        {ChipFamily::HSeries, 0, 0xFFFF, 457},    // 0: the slowest, not a failure
        {ChipFamily::FT2232D, 6'000'000, 0, 6'000'000},
        {ChipFamily::FT2232D, 30'000'000, 0, 6'000'000},
        {ChipFamily::FT2232D, 1'000'000, 5, 1'000'000},
        {ChipFamily::FT2232D, 1000, 5999, 1000},
        {ChipFamily::FT2232D, 0, 0xFFFF, 91},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.requested);
        const uint16_t divisor = clockDivisorFor(c.family, c.requested);
        EXPECT_EQ(divisor, c.divisor);
        EXPECT_EQ(clockRateOf(c.family, divisor), c.rate);
        EXPECT_TRUE(c.requested < c.rate ? divisor == 0xFFFF
                                         : clockRateOf(c.family, divisor) <= c.requested);
    }
}

TEST(MpsseInit, HSeriesSwitchesOffTheClockExtrasAndSetsDivisorAndPinsInOneWrite) {
    FakeTransport transport;
    MpsseChannel channel(transport, ChipFamily::HSeries);
    EXPECT_EQ(channel.init(configFor(1000, 0x20)), FT_OK);
    // 29999 = 0x752F; low byte: CS (DBUS3) high = inactive, SK low; SK, DO, CS outputs.
    EXPECT_THAT(transport.log, ElementsAre("latency 1", "write 8A 97 8D 85 86 2F 75 80 08 0B"));
    EXPECT_EQ(channel.clockRate(), 1000u);
}

TEST(MpsseInit, FT2232DGetsNoneOfTheHSeriesClockCommands) {
    FakeTransport transport;
    MpsseChannel channel(transport, ChipFamily::FT2232D);
    EXPECT_EQ(channel.init(configFor(1'000'000, 0x20)), FT_OK);
    EXPECT_THAT(transport.log, ElementsAre("latency 1", "write 85 86 05 00 80 08 0B"));
}

TEST(MpsseInit, AllZeroConfigurationGivesTheSlowestClockAndTheShortestLatency) {
    FakeTransport transport;
    MpsseChannel channel(transport, ChipFamily::HSeries);
    EXPECT_EQ(channel.init(ChannelConfig{}), FT_OK);
    EXPECT_THAT(transport.log, ElementsAre("latency 1", "write 8A 97 8D 85 86 FF FF 80 00 0B"));
}

TEST(MpsseInit, ModeAndChipSelectLineSetTheIdleLevelsOfTheLowByte) {
    struct Case {
        uint32_t options;
        const char* lowByte;  // the 0x80 command: value, direction
    };
    const Case cases[] = {
        {0x20, "80 08 0B"},                      // mode 0, DBUS3 active low: CS idles high, SK low
        {0x00, "80 00 0B"},                      // mode 0, DBUS3 active high: CS idles low
        {0x21, "80 08 0B"},                      // mode 1: SK idles low
        {0x22, "80 09 0B"},                      // mode 2: SK idles high
        {0x23, "80 09 0B"},                      // mode 3: SK idles high
        {0x03, "80 01 0B"}, {0x24, "80 10 13"},  // DBUS4
        {0x28, "80 20 23"},                      // DBUS5
        {0x2C, "80 40 43"},                      // DBUS6
        {0x30, "80 80 83"},                      // DBUS7
        {0x10, "80 00 83"},
    };
    for (const Case& c : cases) {
        FakeTransport transport;
        MpsseChannel channel(transport, ChipFamily::HSeries);
        EXPECT_EQ(channel.init(configFor(30'000'000, c.options)), FT_OK);
        EXPECT_EQ(transport.log.back(), std::string("write 8A 97 8D 85 86 00 00 ") + c.lowByte)
            << "options 0x" << std::hex << c.options;
    }
}

TEST(MpsseInit, PinGivesTheOtherLowByteLinesTheirInitialDirectionAndValue) {
    FakeTransport transport;
    MpsseChannel channel(transport, ChipFamily::HSeries);
    // Directions 0xF4 (DI asked as output: stays an input), values 0xA5 (SK and CS asked:
    // they keep their idle levels).
    EXPECT_EQ(channel.init(configFor(30'000'000, 0x20, 0xA5F4)), FT_OK);
    EXPECT_EQ(transport.log.back(), "write 8A 97 8D 85 86 00 00 80 AC FB");
}

TEST(MpsseInit, ChipSelectBeyondDbus7IsRefusedWithoutTouchingTheDevice) {
    for (const uint32_t options : {0x14u, 0x18u, 0x1Cu, 0x3Cu}) {
        FakeTransport transport;
        MpsseChannel channel(transport, ChipFamily::HSeries);
        EXPECT_EQ(channel.init(configFor(1000, options)), FT_INVALID_PARAMETER);
        EXPECT_TRUE(transport.log.empty());
    }
}

// The data shifting commands, MSB first: modes 0 and 3 clock out on the falling edge and in
// on the rising edge, modes 1 and 2 the other way round.
struct ModeCase {
    uint32_t options;
    const char* asserted;  // 0x80 command with CS active
    const char* released;  // 0x80 command with CS inactive
    const char* writeCommand;
    const char* readCommand;
    const char* transferCommand;
};
constexpr ModeCase kModes[] = {
    {0x20, "80 00 0B", "80 08 0B", "11", "20", "31"},
    {0x21, "80 00 0B", "80 08 0B", "10", "24", "34"},
    {0x22, "80 01 0B", "80 09 0B", "10", "24", "34"},
    {0x23, "80 01 0B", "80 09 0B", "11", "20", "31"},
    {0x02, "80 09 0B", "80 01 0B", "10", "24", "34"},  // mode 2, CS active high
};

TEST(MpsseTransfer, FramedTwoByteWriteIsOneUsbWrite) {
    for (const ModeCase& mode : kModes) {
        ReadyChannel ready(mode.options);
        uint8_t data[] = {0x12, 0x34};
        uint32_t transferred = 0;
        EXPECT_EQ(ready.channel.write(data, 2, &transferred, kFramed), FT_OK);
        EXPECT_EQ(transferred, 2u);
        EXPECT_THAT(ready.transport.log,
                    ElementsAre(std::string("write ") + mode.asserted + " " + mode.writeCommand +
                                " 01 00 12 34 " + mode.released))
            << "options 0x" << std::hex << mode.options;
    }
}

TEST(MpsseTransfer, FramedTwoByteReadClocksInAndReadsExactlyTwoBytes) {
    for (const ModeCase& mode : kModes) {
        ReadyChannel ready(mode.options);
        ready.transport.answer({0x08, 0xE2});
        std::array<uint8_t, 4> buffer{0x5A, 0x5A, 0x5A, 0x5A};
        uint32_t transferred = 0;
        EXPECT_EQ(ready.channel.read(buffer.data(), 2, &transferred, kFramed), FT_OK);
        EXPECT_EQ(transferred, 2u);
        EXPECT_THAT(buffer, ElementsAre(0x08, 0xE2, 0x5A, 0x5A));
        EXPECT_THAT(ready.transport.log,
                    ElementsAre(std::string("write ") + mode.asserted + " " + mode.readCommand +
                                    " 01 00 " + mode.released + " 87",
                                "read 2"))
            << "options 0x" << std::hex << mode.options;
    }
}

TEST(MpsseTransfer, ReadWriteClocksBothWaysAtOnce) {
    for (const ModeCase& mode : kModes) {
        ReadyChannel ready(mode.options);
        ready.transport.answer({0xCA, 0xFE});
        uint8_t out[] = {0x80, 0x01};
        uint8_t in[2] = {};
        uint32_t transferred = 0;
        EXPECT_EQ(ready.channel.readWrite(in, out, 2, &transferred, kFramed), FT_OK);
        EXPECT_THAT(in, ElementsAre(0xCA, 0xFE));
        EXPECT_THAT(ready.transport.log,
                    ElementsAre(std::string("write ") + mode.asserted + " " + mode.transferCommand +
                                    " 01 00 80 01 " + mode.released + " 87",
                                "read 2"));
    }
}

TEST(MpsseTransfer, ChipSelectOptionsFrameOnlyWhatTheyAskFor) {
    struct Case {
        uint32_t options;
        const char* bytes;
    };
    const Case cases[] = {
        {0, "write 11 01 00 12 34"},
        {SPI_TRANSFER_OPTIONS_CHIPSELECT_ENABLE, "write 80 00 0B 11 01 00 12 34"},
        {SPI_TRANSFER_OPTIONS_CHIPSELECT_DISABLE, "write 11 01 00 12 34 80 08 0B"},
    };
    for (const Case& c : cases) {
        ReadyChannel ready;
        uint8_t data[] = {0x12, 0x34};
        uint32_t transferred = 0;
        EXPECT_EQ(ready.channel.write(data, 2, &transferred, c.options), FT_OK);
        EXPECT_THAT(ready.transport.log, ElementsAre(c.bytes));
    }
}

TEST(MpsseTransfer, SizesInBitsUseTheBitCommandsForTheRest) {
    ReadyChannel ready;
    uint8_t data[] = {0xAB, 0xC0};
    uint32_t transferred = 0;
    EXPECT_EQ(
        ready.channel.write(data, 12, &transferred, kFramed | SPI_TRANSFER_OPTIONS_SIZE_IN_BITS),
        FT_OK);
    EXPECT_EQ(transferred, 12u);
    EXPECT_EQ(ready.transport.log.back(), "write 80 00 0B 11 00 00 AB 13 03 C0 80 08 0B");

    ready.transport.answer({0x05});
    uint8_t in[2] = {0x5A, 0x5A};
    EXPECT_EQ(ready.channel.read(in, 3, &transferred, SPI_TRANSFER_OPTIONS_SIZE_IN_BITS), FT_OK);
    EXPECT_EQ(transferred, 3u);
    EXPECT_THAT(in, ElementsAre(0x05, 0x5A));
    EXPECT_THAT(ready.transport.log.back(), "read 1");
    EXPECT_EQ(ready.transport.log[ready.transport.log.size() - 2], "write 22 02 87");
}

TEST(MpsseTransfer, LongTransfersSplitIntoCommandsOf65536Bytes) {
    ReadyChannel ready;
    std::vector<uint8_t> data(65537, 0x33);
    uint32_t transferred = 0;
    EXPECT_EQ(ready.channel.write(data.data(), 65537, &transferred, 0), FT_OK);
    EXPECT_EQ(transferred, 65537u);
    ASSERT_EQ(ready.transport.written.size(), 1u);
    const std::vector<uint8_t>& sent = ready.transport.written.back();
    ASSERT_EQ(sent.size(), 3 + 65536 + 3 + 1u);
    EXPECT_THAT(std::vector(sent.begin(), sent.begin() + 3), ElementsAre(0x11, 0xFF, 0xFF));
    EXPECT_THAT(std::vector(sent.begin() + 3 + 65536, sent.begin() + 3 + 65536 + 3),
                ElementsAre(0x11, 0x00, 0x00));
}

TEST(MpsseTransfer, LongDuplexTransferGoesInSegmentsWithinOneChipSelectFrame) {
    ReadyChannel ready;
    std::vector<uint8_t> out(600);
    for (size_t i = 0; i < out.size(); ++i) out[i] = static_cast<uint8_t>(i);
    std::vector<uint8_t> answer(out.rbegin(), out.rend());
    ready.transport.answer(answer);
    std::vector<uint8_t> in(600);
    uint32_t transferred = 0;
    EXPECT_EQ(ready.channel.readWrite(in.data(), out.data(), 600, &transferred, kFramed), FT_OK);
    EXPECT_EQ(transferred, 600u);
    EXPECT_EQ(in, answer);

    const auto& written = ready.transport.written;
    ASSERT_EQ(written.size(), 3u);
    // 256 + 256 + 88 bytes: chip select asserted before the first, released after the last.
    EXPECT_THAT(std::vector(written[0].begin(), written[0].begin() + 6),
                ElementsAre(0x80, 0x00, 0x0B, 0x31, 0xFF, 0x00));
    EXPECT_THAT(std::vector(written[1].begin(), written[1].begin() + 3),
                ElementsAre(0x31, 0xFF, 0x00));
    EXPECT_EQ(written[1][3], 0x00);  // byte 256 of the data
    EXPECT_THAT(std::vector(written[2].begin(), written[2].begin() + 3),
                ElementsAre(0x31, 0x57, 0x00));
    EXPECT_THAT(std::vector(written[2].end() - 4, written[2].end()),
                ElementsAre(0x80, 0x08, 0x0B, 0x87));
    EXPECT_THAT(ready.transport.log, ElementsAre(::testing::StartsWith("write"), "read 256",
                                                 ::testing::StartsWith("write"), "read 256",
                                                 ::testing::StartsWith("write"), "read 88"));
}

TEST(MpsseTransfer, FailedDuplexSegmentHandsOverTheSegmentsBeforeIt) {
    ReadyChannel ready;
    std::vector<uint8_t> out(600, 0x11);
    ready.transport.answer(std::vector<uint8_t>(300, 0x22));  // then silence
    std::vector<uint8_t> in(600, 0x5A);
    uint32_t transferred = 0;
    EXPECT_EQ(ready.channel.readWrite(in.data(), out.data(), 600, &transferred, kFramed),
              FT_IO_ERROR);
    EXPECT_EQ(transferred, 300u);
    EXPECT_EQ(std::count(in.begin(), in.end(), 0x22), 300);
    EXPECT_EQ(std::count(in.begin() + 300, in.end(), 0x5A), 300);
    EXPECT_EQ(ready.transport.written.size(), 2u) << "no segment after the failed one";
}

TEST(MpsseTransfer, ZeroBytesWithoutChipSelectSendsNothing) {
    ReadyChannel ready;
    uint32_t transferred = 7;
    EXPECT_EQ(ready.channel.read(nullptr, 0, &transferred, 0), FT_OK);
    EXPECT_EQ(transferred, 0u);
    EXPECT_TRUE(ready.transport.log.empty());
}

TEST(MpsseTransfer, MissingPointersAreRefusedWithoutTraffic) {
    ReadyChannel ready;
    uint8_t buffer[2] = {};
    uint32_t transferred = 0;
    EXPECT_EQ(ready.channel.read(buffer, 2, nullptr, kFramed), FT_INVALID_PARAMETER);
    EXPECT_EQ(ready.channel.read(nullptr, 2, &transferred, kFramed), FT_INVALID_PARAMETER);
    EXPECT_EQ(ready.channel.write(nullptr, 2, &transferred, kFramed), FT_INVALID_PARAMETER);
    EXPECT_EQ(ready.channel.readWrite(buffer, nullptr, 2, &transferred, kFramed),
              FT_INVALID_PARAMETER);
    EXPECT_EQ(ready.channel.readGpio(nullptr), FT_INVALID_PARAMETER);
    EXPECT_TRUE(ready.transport.log.empty());
}

TEST(MpsseTransfer, ShortReadHandsOverWhatCameAndPurgesTheRest) {
    ReadyChannel ready;
    ready.transport.answer({0x08});
    std::array<uint8_t, 4> buffer{0x5A, 0x5A, 0x5A, 0x5A};
    uint32_t transferred = 0;
    EXPECT_EQ(ready.channel.read(buffer.data(), 2, &transferred, kFramed), FT_IO_ERROR);
    EXPECT_EQ(transferred, 1u);
    EXPECT_THAT(buffer, ElementsAre(0x08, 0x5A, 0x5A, 0x5A));
    EXPECT_EQ(ready.transport.log.back(), "purge");
}

TEST(MpsseTransfer, TimeoutLeavesTheBufferAndWaitsOnlyAsLongAsTheClockNeeds) {
    struct Case {
        ChipFamily family;
        uint32_t clock;
        int64_t timeoutMs;  // 1 s of USB margin plus twice the clocking time of 16 bits
    };
    for (const Case& c :
         {Case{ChipFamily::HSeries, 30'000'000, 1001}, Case{ChipFamily::HSeries, 1000, 1032},
          Case{ChipFamily::FT2232D, 0, 1352}}) {
        FakeTransport transport;
        transport.answer({0xFA, 0xAA});
        MpsseChannel channel(transport, c.family);
        ASSERT_EQ(channel.open(), FT_OK);
        ASSERT_EQ(channel.init(configFor(c.clock, 0x20)), FT_OK);
        std::array<uint8_t, 2> buffer{0x5A, 0x5A};
        uint32_t transferred = 9;
        EXPECT_EQ(channel.read(buffer.data(), 2, &transferred, kFramed), FT_IO_ERROR);
        EXPECT_EQ(transferred, 0u);
        EXPECT_THAT(buffer, Each(0x5A));
        EXPECT_EQ(transport.lastReadTimeout.count(), c.timeoutMs) << c.clock;
    }
}

TEST(MpsseTransfer, UnpluggedDeviceFailsEveryCallWithoutTouchingBuffers) {
    ReadyChannel ready;
    ready.transport.unplugged = true;
    std::array<uint8_t, 2> buffer{0x5A, 0x5A};
    uint32_t transferred = 9;
    EXPECT_EQ(ready.channel.read(buffer.data(), 2, &transferred, kFramed), FT_IO_ERROR);
    EXPECT_EQ(transferred, 0u);
    EXPECT_EQ(ready.channel.readWrite(buffer.data(), buffer.data(), 2, &transferred, kFramed),
              FT_IO_ERROR);
    EXPECT_THAT(buffer, Each(0x5A));
    EXPECT_EQ(ready.channel.write(buffer.data(), 2, &transferred, kFramed), FT_IO_ERROR);
    EXPECT_EQ(transferred, 0u);
    EXPECT_EQ(ready.channel.writeGpio(0xFF, 0x10), FT_IO_ERROR);
    uint8_t pins = 0x5A;
    EXPECT_EQ(ready.channel.readGpio(&pins), FT_IO_ERROR);
    EXPECT_EQ(pins, 0x5A);
    EXPECT_EQ(ready.channel.init(configFor(1000, 0x20)), FT_IO_ERROR);
    EXPECT_EQ(ready.channel.close(), FT_IO_ERROR);
}

TEST(MpsseTransfer, HalfAcceptedWriteIsAnErrorAndPurged) {
    ReadyChannel ready;
    ready.transport.acceptOnly = 4;
    uint8_t data[] = {0x12, 0x34};
    uint32_t transferred = 9;
    EXPECT_EQ(ready.channel.write(data, 2, &transferred, kFramed), FT_IO_ERROR);
    EXPECT_EQ(transferred, 0u);
    EXPECT_EQ(ready.transport.log.back(), "purge");
}

TEST(MpsseGpio, HighByteIsWrittenWith0x82AndReadWith0x83) {
    ReadyChannel ready;
    EXPECT_EQ(ready.channel.writeGpio(0xFF, 0x10), FT_OK);
    ready.transport.answer({0xC3});
    uint8_t pins = 0;
    EXPECT_EQ(ready.channel.readGpio(&pins), FT_OK);
    EXPECT_EQ(pins, 0xC3);
    EXPECT_THAT(ready.transport.log, ElementsAre("write 82 10 FF", "write 83 87", "read 1"));
}

TEST(MpsseClose, LeavesMpsseMode) {
    ReadyChannel ready;
    EXPECT_EQ(ready.channel.close(), FT_OK);
    EXPECT_THAT(ready.transport.log, ElementsAre("bitmode 00 00"));
}

}  // namespace
}  // namespace ftdi
