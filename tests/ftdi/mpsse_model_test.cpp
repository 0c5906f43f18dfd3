// The MPSSE engine model as an opponent of the backend: it interprets the command bytes (the
// clock, the pins, shifting data on either edge in either order, the bad-command answer) and
// the virtual chip on its pins answers only an exchange a real board would answer, so a
// backend that picks the wrong chip-select line, SPI mode 1 or LSB first gets no
// identification back.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "ftdi/backend.h"
#include "mpsse_model/engine.h"
#include "mpsse_model/model_source.h"
#include "mpsse_model/spi_slave.h"

namespace mpsse_model {
namespace {

// Nothing on the pins but a data in line the test sets.
class Idle : public Pins {
  public:
    void LowChanged(uint8_t levels) override { last = levels; }
    uint8_t LowInputs() override { return inputs; }
    uint8_t last = 0;
    uint8_t inputs = 0xFF;
};

std::vector<uint8_t> Answers(Engine& engine) {
    std::vector<uint8_t> bytes(64);
    bytes.resize(engine.Read(bytes));
    return bytes;
}

TEST(MpsseEngine, EachFamilyDerivesItsClockFromTheDivisorAndDivideBy5) {
    struct Case {
        const char* family;
        uint32_t dividedHz, fullHz;  // divisor 5, with divide-by-5 on and off
    };
    const Case cases[] = {{"ft232h", 1'000'000, 5'000'000},
                          {"FT2232H", 1'000'000, 5'000'000},
                          {"ft4232h", 1'000'000, 5'000'000},
                          {"ft2232d", 1'000'000, 1'000'000}};
    for (const Case& c : cases) {
        const Family* family = FamilyNamed(c.family);
        ASSERT_NE(family, nullptr) << c.family;
        Idle pins;
        Engine engine(*family, pins);
        engine.Write(std::vector<uint8_t>{0x86, 0x05});  // the divisor's high byte comes later
        engine.Write(std::vector<uint8_t>{0x00});
        EXPECT_EQ(engine.ClockHz(), c.dividedHz) << c.family;
        engine.Write(std::vector<uint8_t>{0x8A});
        EXPECT_EQ(engine.ClockHz(), c.fullHz) << c.family;
        const std::vector<std::string> trace = engine.TakeTrace();
        ASSERT_FALSE(trace.empty());
        EXPECT_EQ(trace.front(), "clock " + std::to_string(c.dividedHz) + " Hz") << c.family;
        // The FT2232D knows none of the H series' clock commands.
        if (!family->hSeries) {
            EXPECT_EQ(Answers(engine), (std::vector<uint8_t>{0xFA, 0x8A}));
        }
    }
    EXPECT_EQ(FamilyNamed("ft232r"), nullptr);
}

TEST(MpsseEngine, AnswersAnUnknownCommandWithFAAndTheCommandThenGoesOn) {
    Idle pins;
    Engine engine(*FamilyNamed("ft232h"), pins);
    engine.Write(std::vector<uint8_t>{0xAA, 0x80, 0x0B, 0x0B, 0x81, 0xAB});
    // Pins set as outputs read back as driven, inputs as the outside drives them.
    pins.inputs = static_cast<uint8_t>(~kDataIn);
    engine.Write(std::vector<uint8_t>{0x81});
    EXPECT_EQ(Answers(engine), (std::vector<uint8_t>{0xFA, 0xAA, 0xFF, 0xFA, 0xAB, 0xFB}));
    EXPECT_EQ(pins.last, 0xFF);  // 0x0B: clock, data out and chip select high; inputs pulled up
}

TEST(MpsseEngine, ShiftsBytesAndBitsThroughLoopback) {
    Idle pins;
    Engine engine(*FamilyNamed("ft2232h"), pins);
    engine.Write(std::vector<uint8_t>{0x80, 0x00, 0x0B, 0x84});  // loopback: data in = data out
    // Bytes out on the falling edge and in on the rising one, MSB first, then LSB first.
    engine.Write(std::vector<uint8_t>{0x31, 0x01, 0x00, 0xA5, 0x3C, 0x39, 0x00, 0x00, 0x81});
    EXPECT_EQ(Answers(engine), (std::vector<uint8_t>{0xA5, 0x3C, 0x81}));
    // Four bits: MSB first they land in the low bits of the answer, LSB first in the high.
    engine.Write(std::vector<uint8_t>{0x33, 0x03, 0xA0, 0x3B, 0x03, 0x05});
    EXPECT_EQ(Answers(engine), (std::vector<uint8_t>{0x0A, 0x50}));
    // Without loopback a read clocks in the data in line: nothing drives it, it reads ones.
    engine.Write(std::vector<uint8_t>{0x85, 0x20, 0x00, 0x00, 0x22, 0x02});
    EXPECT_EQ(Answers(engine), (std::vector<uint8_t>{0xFF, 0x07}));
    EXPECT_FALSE(engine.Loopback());
}

// The data out line at each rising clock edge, as a mode-0 device samples it.
class RisingEdges : public Pins {
  public:
    void LowChanged(uint8_t levels) override {
        const bool clock = levels & kClock;
        if (clock && !clock_) bits += (levels & kDataOut) ? '1' : '0';
        clock_ = clock;
    }
    uint8_t LowInputs() override { return 0xFF; }
    std::string bits;

  private:
    bool clock_ = false;
};

TEST(MpsseEngine, TheDataLineCarriesTheBitsInTheOrderAndOnTheEdgeAsked) {
    struct Case {
        std::vector<uint8_t> commands;
        const char* bits;
    };
    const Case cases[] = {
        {{0x11, 0x00, 0x00, 0x01}, "00000001"},  // MSB first, out on the falling edge
        {{0x19, 0x00, 0x00, 0x01}, "10000000"},  // LSB first
        // Out on the rising edge: each rising edge still sees the bit before.
        {{0x10, 0x00, 0x00, 0x01}, "00000000"},
        {{0x13, 0x02, 0xA0}, "101"},  // three bits from the top
    };
    for (const Case& c : cases) {
        RisingEdges pins;
        Engine engine(*FamilyNamed("ft232h"), pins);
        engine.Write(std::vector<uint8_t>{0x80, 0x00, 0x0B});
        pins.bits.clear();  // the pins' own rise from rest to the set levels
        engine.Write(c.commands);
        EXPECT_EQ(pins.bits, c.bits) << std::hex << int(c.commands[0]);
    }
}

TEST(MpsseEngine, AdaptiveClockingWithNothingOnRtckWaitsForEver) {
    Idle pins;
    Engine engine(*FamilyNamed("ft232h"), pins);
    engine.Write(std::vector<uint8_t>{0x96, 0x20, 0x01, 0x00, 0xAA});
    EXPECT_TRUE(engine.Adaptive());
    EXPECT_TRUE(Answers(engine).empty());
    engine.Reset();
    engine.Write(std::vector<uint8_t>{0xAA});
    EXPECT_EQ(Answers(engine), (std::vector<uint8_t>{0xFA, 0xAA}));
}

class ModelledAdapter : public testing::Test {
  protected:
    void SetUp() override {
        ::setenv("QX5520_SIM", scenario_.c_str(), 1);
        std::ofstream(scenario_) << "[sim]\ntrace = " << trace_.string() << "\n";
    }
    void TearDown() override {
        ::unsetenv("QX5520_SIM");
        std::filesystem::remove(scenario_);
        std::filesystem::remove(trace_);
    }
    // Opens channel 0 as the tool does (1 MHz, mode 0, chip select DBUS3 active low) and
    // reads register 39: the read command, then a frame that clocks in the answer.
    static std::vector<uint8_t> Identify(ftdi::DeviceSource& source) {
        ftdi::Backend backend(source);
        FT_HANDLE handle = nullptr;
        EXPECT_EQ(backend.openChannel(0, &handle), FT_OK);
        ChannelConfig config{
            1'000'000, 1,
            SPI_CONFIG_OPTION_MODE0 | SPI_CONFIG_OPTION_CS_DBUS3 | SPI_CONFIG_OPTION_CS_ACTIVELOW,
            0, 0};
        EXPECT_EQ(backend.initChannel(handle, &config), FT_OK);
        constexpr uint32_t kFramed =
            SPI_TRANSFER_OPTIONS_CHIPSELECT_ENABLE | SPI_TRANSFER_OPTIONS_CHIPSELECT_DISABLE;
        uint8_t command[2] = {39 * 2 + 1, 0x00};
        uint32_t done = 0;
        EXPECT_EQ(backend.write(handle, command, 2, &done, kFramed), FT_OK);
        std::vector<uint8_t> answer(2, 0x5A);
        backend.read(handle, answer.data(), 2, &done, kFramed);
        backend.closeChannel(handle);
        return answer;
    }
    std::vector<std::string> Trace() const {
        std::vector<std::string> lines;
        std::ifstream in(trace_);
        for (std::string line; std::getline(in, line);)
            lines.push_back(line.substr(line.find(' ') + 1));
        return lines;
    }

    std::filesystem::path scenario_ =
        std::filesystem::temp_directory_path() / ("model_" + std::to_string(::getpid()) + ".ini");
    std::filesystem::path trace_ =
        std::filesystem::temp_directory_path() / ("model_" + std::to_string(::getpid()) + ".trace");
};

TEST_F(ModelledAdapter, EveryFamilyIdentifiesTheChipAtTheClockAsked) {
    for (const Family& family : Families()) {
        std::filesystem::remove(trace_);
        ModelSource source(family);
        EXPECT_EQ(Identify(source), (std::vector<uint8_t>{0x08, 0xE2})) << family.name;
        const std::vector<std::string> trace = Trace();
        auto has = [&trace](const std::string& line) {
            return std::find(trace.begin(), trace.end(), line) != trace.end();
        };
        EXPECT_TRUE(has("mpsse clock 1000000 Hz")) << family.name;
        EXPECT_TRUE(has("write 4F 00")) << family.name;
        EXPECT_TRUE(has("read 08 E2")) << family.name;
        // The opening handshake: the engine answers an invalid command.
        EXPECT_TRUE(has("mpsse bad command 0xAA")) << family.name;
    }
}

TEST_F(ModelledAdapter, ABackendGoneWrongGetsNoIdentification) {
    const Family& family = *FamilyNamed("ft232h");
    {
        ModelSource sound(family, BackendFault::None);
        EXPECT_EQ(Identify(sound), (std::vector<uint8_t>{0x08, 0xE2}));
    }
    // The wrong line is never selected: the data in line rests high. The wrong edges or
    // order garble the command: the chip answers something else.
    const std::pair<BackendFault, std::vector<uint8_t>> faults[] = {
        {BackendFault::ChipSelectOffByOne, {0xFF, 0xFF}},
        {BackendFault::ModeOne, {}},
        {BackendFault::LsbFirst, {}},
    };
    for (const auto& [fault, answer] : faults) {
        ModelSource broken(family, fault);
        const std::vector<uint8_t> got = Identify(broken);
        EXPECT_NE(got, (std::vector<uint8_t>{0x08, 0xE2})) << static_cast<int>(fault);
        if (!answer.empty()) {
            EXPECT_EQ(got, answer);
        }
    }
}

TEST_F(ModelledAdapter, TheEnvironmentNamesTheFamilyAndTheFault) {
    ::setenv("QX_FTDI_MODEL_FAULT", "mode1", 1);
    EXPECT_EQ(BackendFaultFromEnvironment(), BackendFault::ModeOne);
    ::setenv("QX_FTDI_MODEL_FAULT", "msb", 1);
    EXPECT_EQ(BackendFaultFromEnvironment(), BackendFault::None);
    ::unsetenv("QX_FTDI_MODEL_FAULT");
    ::unsetenv("QX_FTDI_MODEL");
    EXPECT_FALSE(FamilyFromEnvironment());
    ::setenv("QX_FTDI_MODEL", "FT4232H", 1);
    ASSERT_TRUE(FamilyFromEnvironment());
    EXPECT_EQ((*FamilyFromEnvironment())->mpsseChannels, 2);
    ::setenv("QX_FTDI_MODEL", "ft9000", 1);
    EXPECT_FALSE(FamilyFromEnvironment());
    ::unsetenv("QX_FTDI_MODEL");
}

}  // namespace
}  // namespace mpsse_model
