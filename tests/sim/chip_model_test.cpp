// The chip model spoken to frame by frame, with a clock the test turns by hand.
#include "sim/chip_model.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <thread>
#include <vector>

namespace sim {
namespace {

int Signed13(uint16_t v) {
    return (v & 0x1000) ? int(v & 0x1FFF) - 8192 : int(v & 0x1FFF);
}

// The bus as the tool drives it: every frame one 2-byte transfer with its own chip select.
class Bus {
  public:
    explicit Bus(ChipModel& chip) : chip_(chip) {}
    void Write(uint8_t b0, uint8_t b1) {
        const uint8_t bytes[2] = {b0, b1};
        chip_.BeginFrame();
        chip_.Send(bytes, 2);
        chip_.EndFrame();
    }
    uint16_t Read() {
        uint8_t bytes[2] = {0x55, 0x55};
        chip_.BeginFrame();
        chip_.Receive(bytes, 2);
        chip_.EndFrame();
        return uint16_t(bytes[0] << 8 | bytes[1]);
    }
    uint16_t ReadRegister(int address) {
        Write(uint8_t(address * 2 + 1), 0x00);
        return Read();
    }
    void ConfigWrite(int address, uint16_t word) {
        Write(uint8_t(0x80 + address * 2), 0x00);
        Write(0x00, 0x00);
        Write(uint8_t(address * 2), 0x00);
        Write(uint8_t(word >> 8), uint8_t(word));
        Write(0xFE, 0x00);
        Write(0x00, 0x00);
    }
    void PlainWrite(int address, uint16_t word) {
        Write(uint8_t(address * 2), 0x00);
        Write(uint8_t(word >> 8), uint8_t(word));
    }

  private:
    ChipModel& chip_;
};

struct Fixture {
    explicit Fixture(ChipOptions options = {}) : chip(options, [this] { return seconds; }) {}
    double seconds = 0.0;
    ChipModel chip;
    Bus bus{chip};
};

ChipOptions Quiet() {
    ChipOptions options;
    options.noise = 0.0;
    return options;
}

TEST(SimChipFrames, SixFrameConfigurationWriteStoresTheWord) {
    Fixture f;
    f.bus.ConfigWrite(20, 0xBEEF);
    EXPECT_EQ(f.bus.ReadRegister(20), 0xBEEF);
    EXPECT_EQ(f.chip.AcceptedWrites(), 1u);
}

TEST(SimChipFrames, IncompleteConfigurationWritesAreIgnored) {
    struct Case {
        const char* what;
        std::vector<std::pair<uint8_t, uint8_t>> frames;
    };
    const int a = 20;
    const uint8_t arm = 0x80 + a * 2, cmd = a * 2;
    const std::vector<Case> cases = {
        {"plain write", {{cmd, 0}, {0x12, 0x34}}},
        {"plain write then commit", {{cmd, 0}, {0x12, 0x34}, {0xFE, 0}}},
        {"armed for another register", {{0x80 + 21 * 2, 0}, {cmd, 0}, {0x12, 0x34}, {0xFE, 0}}},
        {"no commit", {{arm, 0}, {0, 0}, {cmd, 0}, {0x12, 0x34}, {0, 0}}},
        {"another command before the commit",
         {{arm, 0}, {cmd, 0}, {0x12, 0x34}, {39 * 2 + 1, 0}, {0xFE, 0}}},
        {"arm again before the commit", {{arm, 0}, {cmd, 0}, {0x12, 0x34}, {arm, 0}, {0xFE, 0}}},
    };
    for (const Case& c : cases) {
        Fixture f;
        for (auto [b0, b1] : c.frames) f.bus.Write(b0, b1);
        EXPECT_EQ(f.bus.ReadRegister(a), 0x0000) << c.what;
        EXPECT_EQ(f.chip.AcceptedWrites(), 0u) << c.what;
    }
}

TEST(SimChipFrames, DataWordOfZeroIsDataNotANoOperation) {
    Fixture f;
    f.bus.ConfigWrite(9, 0xFFFF);
    f.bus.ConfigWrite(9, 0x0000);
    EXPECT_EQ(f.bus.ReadRegister(9), 0x0000);
}

TEST(SimChipFrames, Register33TakesAPlainWriteAtOnce) {
    Fixture f;
    f.bus.PlainWrite(33, 0xA55A);
    EXPECT_EQ(f.bus.ReadRegister(33), 0xA500);  // bits 7-0 belong to no field
}

TEST(SimChipFrames, ReadOnlyRegistersIgnoreWrites) {
    Fixture f(Quiet());
    for (int a : {32, 34, 38, 39}) {
        f.bus.PlainWrite(a, 0x1234);
        f.bus.ConfigWrite(a, 0x1234);
    }
    EXPECT_EQ(f.bus.ReadRegister(39), 0x08E2);
    EXPECT_EQ(f.chip.AcceptedWrites(), 0u);
}

TEST(SimChipFrames, ReadCommandIsAnsweredByTheNextReadFrameOnly) {
    Fixture f;
    f.bus.ConfigWrite(17, 0x4242);
    f.bus.Write(17 * 2 + 1, 0x00);
    f.bus.Write(0x00, 0x00);  // a no-operation between command and response changes nothing
    EXPECT_EQ(f.bus.Read(), 0x4242);
    ChipOptions options;
    options.angleWord = 0x1357;
    Fixture g(options);
    g.bus.Write(39 * 2 + 1, 0x00);
    EXPECT_EQ(g.bus.Read(), 0x08E2);
    EXPECT_EQ(g.bus.Read(), 0x1357);  // the command was used up: a bare read frame
}

TEST(SimChipFrames, ResponseSplitOverTwoPiecesOfOneFrame) {
    Fixture f;
    const uint8_t command[2] = {39 * 2 + 1, 0};
    f.chip.BeginFrame();
    f.chip.Send(command, 1);
    f.chip.Send(command + 1, 1);
    f.chip.EndFrame();
    uint8_t hi = 0, lo = 0;
    f.chip.BeginFrame();
    f.chip.Receive(&hi, 1);
    f.chip.Receive(&lo, 1);
    f.chip.EndFrame();
    EXPECT_EQ(hi, 0x08);
    EXPECT_EQ(lo, 0xE2);
}

TEST(SimChipRegisters, OnlyMappedBitsAreKept) {
    const struct {
        int address;
        uint16_t kept;
    } cases[] = {
        {0, 0xFFFF},  {1, 0xF80F},  {2, 0xFFE0},  {3, 0xFFFF},  {4, 0x1FFF},
        {5, 0x1FFF},  {6, 0x1FFF},  {7, 0x1FFF},  {8, 0x0001},  {9, 0xFFFF},
        {10, 0xFFFF}, {11, 0x3FFF}, {12, 0x1FFF}, {13, 0x1FFF}, {14, 0x3FFF},
        {15, 0x003F}, {16, 0x09BF}, {17, 0xFFFF}, {31, 0xFFFF},
    };
    for (const auto& c : cases) {
        // Register 16 with bit 11 would lock the chip; its other bits are checked apart.
        const uint16_t written = c.address == 16 ? 0xF7FF : 0xFFFF;
        Fixture f;
        f.bus.ConfigWrite(c.address, written);
        EXPECT_EQ(f.bus.ReadRegister(c.address), c.kept & written) << "register " << c.address;
    }
}

TEST(SimChipRegisters, FixedWordsAndPowerUpValues) {
    ChipOptions options;
    options.fixed[34] = 0x1000;
    options.fixed[20] = 0x1111;
    options.fixed[15] = 0xFFFF;
    options.id = 0x1234;
    Fixture f(options);
    EXPECT_EQ(f.bus.ReadRegister(34), 0x1000);
    EXPECT_EQ(f.bus.ReadRegister(39), 0x1234);
    EXPECT_EQ(f.bus.ReadRegister(15), 0x003F);  // a power-up value keeps only mapped bits
    EXPECT_EQ(f.bus.ReadRegister(20), 0x1111);
    f.bus.ConfigWrite(20, 0x2222);  // a power-up value can be written over
    EXPECT_EQ(f.bus.ReadRegister(20), 0x2222);
    f.chip.PowerUp();
    EXPECT_EQ(f.bus.ReadRegister(20), 0x1111);
}

TEST(SimChipSsiMode, CommittedSsiModeStopsSpiUntilPowerUp) {
    Fixture f;
    f.bus.ConfigWrite(16, 0x0001);
    EXPECT_FALSE(f.chip.SpiLocked());
    f.bus.ConfigWrite(16, 0x0800);
    EXPECT_TRUE(f.chip.SpiLocked());
    EXPECT_EQ(f.bus.ReadRegister(39), 0xFFFF);
    EXPECT_EQ(f.bus.Read(), 0xFFFF);
    f.bus.ConfigWrite(16, 0x0000);  // ignored: the chip no longer listens
    EXPECT_TRUE(f.chip.SpiLocked());
    f.chip.PowerUp();
    EXPECT_EQ(f.bus.ReadRegister(39), 0x08E2);
    EXPECT_EQ(f.bus.ReadRegister(16), 0x0000);
}

TEST(SimChipSsiMode, LoadedRegisterFileWithSsiModeIsLocked) {
    Fixture f;
    ChipModel::RegisterFile registers{};
    registers[16] = 0x0800;
    f.chip.LoadRegisters(registers);
    EXPECT_EQ(f.bus.ReadRegister(39), 0xFFFF);
}

// Samples sine and cosine over one whole revolution of the magnet.
struct Sweep {
    int minX = 99999, maxX = -99999, minY = 99999, maxY = -99999;
    double minRadius = 1e9, maxRadius = 0;
};
Sweep Revolve(Fixture& f, double rpm) {
    Sweep s;
    const double period = 60.0 / rpm;
    for (int i = 0; i < 360; ++i) {
        f.seconds = period * i / 360.0;
        const int x = Signed13(f.bus.ReadRegister(35));
        const int y = Signed13(f.bus.ReadRegister(34));
        s.minX = std::min(s.minX, x);
        s.maxX = std::max(s.maxX, x);
        s.minY = std::min(s.minY, y);
        s.maxY = std::max(s.maxY, y);
        const double r = std::hypot(x, y);
        s.minRadius = std::min(s.minRadius, r);
        s.maxRadius = std::max(s.maxRadius, r);
    }
    return s;
}

TEST(SimChipMagnet, DefaultsDrawACleanCircleWellInsideTheCodeRange) {
    Fixture f;  // default noise
    const Sweep s = Revolve(f, 6.0);
    EXPECT_GT(s.minRadius, 2450);
    EXPECT_LT(s.maxRadius, 2550);
    EXPECT_LT(std::max({s.maxX, s.maxY, -s.minX, -s.minY}), 4000);
    EXPECT_EQ(f.bus.ReadRegister(32), 0x0038);  // the READY flags only
}

TEST(SimChipMagnet, GainWriteStretchesTheChannel) {
    Fixture f(Quiet());
    f.bus.ConfigWrite(2, 8 << 11);  // GA_X = 8
    const Sweep s = Revolve(f, 6.0);
    EXPECT_NEAR(s.maxX, 3750, 5);
    EXPECT_NEAR(s.maxY, 2500, 5);
}

TEST(SimChipMagnet, GainMultipleStretchesBothChannels) {
    Fixture f(Quiet());
    f.bus.ConfigWrite(3, 1 << 11);  // XG = 1
    const Sweep s = Revolve(f, 6.0);
    EXPECT_NEAR(s.maxX, 3750, 5);
    EXPECT_NEAR(s.maxY, 3750, 5);
}

TEST(SimChipMagnet, OffsetsMoveTheCentre) {
    Fixture f(Quiet());
    f.bus.ConfigWrite(4, 100);            // OFFSET_SIN = +100
    f.bus.ConfigWrite(5, 0x1FFF & -200);  // OFFSET_COS = -200
    f.bus.ConfigWrite(3, 0x3F & -2);      // OA_Y = -2 steps
    const Sweep s = Revolve(f, 6.0);
    EXPECT_NEAR((s.maxX + s.minX) / 2.0, 100, 2);
    EXPECT_NEAR((s.maxY + s.minY) / 2.0, -232, 2);
}

TEST(SimChipMagnet, ClippingRaisesTheOutOfRangeFlags) {
    Fixture f(Quiet());
    f.bus.ConfigWrite(2, 31 << 11);  // GA_X at its top: X clips, Y does not
    const Sweep s = Revolve(f, 6.0);
    EXPECT_EQ(s.maxX, 4095);
    EXPECT_EQ(s.minX, -4096);
    const uint16_t status = f.bus.ReadRegister(32);
    EXPECT_EQ(status & 0x0003, 0x0001);  // OTR_X, not OTR_Y
    f.seconds = 0;
    EXPECT_NE(f.bus.Read() & 0x2000, 0);  // the angle word's ADC bit
}

TEST(SimChipMagnet, EmlBelowThresholdAndLowSpeedWhenSlow) {
    Fixture f(Quiet());
    f.bus.ConfigWrite(7, 3000);  // AMP_EML_TH above the amplitude of about 2500
    EXPECT_EQ(f.bus.ReadRegister(32) & 0x0040, 0x0040);
    f.bus.ConfigWrite(7, 2000);
    EXPECT_EQ(f.bus.ReadRegister(32) & 0x0040, 0);

    ChipOptions slow = Quiet();
    slow.rpm = 0.5;
    Fixture g(slow);
    EXPECT_EQ(g.bus.ReadRegister(32) & 0x0004, 0x0004);
    EXPECT_EQ(g.bus.Read() & 0x4000, 0x4000);  // LS in the angle word
}

TEST(SimChipMagnet, AngleFollowsZeroPositionAndDirection) {
    Fixture f(Quiet());
    f.seconds = 60.0 / 6.0 / 4.0;  // a quarter turn: sine at its top, angle 2048
    EXPECT_NEAR(f.bus.ReadRegister(37), 2048, 2);
    const uint16_t cordic = f.bus.ReadRegister(36);
    EXPECT_NEAR(cordic & 0x1FFF, 2048, 2);
    EXPECT_EQ(cordic >> 14, 1);  // second quadrant starts at 2048
    EXPECT_NEAR(f.bus.ReadRegister(38), 2500, 2);
    f.bus.ConfigWrite(11, 48);  // ZERO_POS
    EXPECT_NEAR(f.bus.ReadRegister(37), 2000, 2);
    f.bus.ConfigWrite(16, 0x0002);  // DIR
    EXPECT_NEAR(f.bus.ReadRegister(37), 8192 - 2000, 2);
}

TEST(SimChipMagnet, AngleWordCarriesTheAngleAndEvenParity) {
    Fixture f(Quiet());
    for (int i = 0; i < 64; ++i) {
        f.seconds = 10.0 * i / 64;
        const uint16_t angle = f.bus.ReadRegister(37);
        const uint16_t word = f.bus.Read();
        EXPECT_NEAR(word & 0x1FFF, angle, 2);
        EXPECT_EQ(word & 0x6000, 0);
        EXPECT_EQ(std::popcount(word) % 2, 0) << std::hex << word;
    }
}

// With hold = 1; without it each read converts at its own moment.
TEST(SimChipMagnet, OutputsReadInTurnBelongToOneConversion) {
    {
        Fixture f(Quiet());
        f.seconds = 1.25;
        const int x = Signed13(f.bus.ReadRegister(35));
        f.seconds += 0.1;
        EXPECT_LT(Signed13(f.bus.ReadRegister(34)), x - 100) << "a tenth of a second on";
    }
    ChipOptions holding = Quiet();
    holding.hold = true;
    Fixture f(holding);
    f.seconds = 1.25;  // an eighth of a turn: sine and cosine equal
    const int x = Signed13(f.bus.ReadRegister(35));
    f.seconds += 0.1;  // the pause of a register read
    const int y = Signed13(f.bus.ReadRegister(34));
    f.seconds += 0.1;
    const uint16_t angle = f.bus.ReadRegister(37);
    EXPECT_NEAR(x, 1768, 1);
    EXPECT_EQ(x, y);
    EXPECT_NEAR(angle, 1024, 1);
    f.seconds += 0.1;
    EXPECT_GT(Signed13(f.bus.ReadRegister(35)), x + 100);  // read again: a new conversion
    f.seconds = 10.0 + 1.25;                               // long after: a new conversion too
    EXPECT_NEAR(Signed13(f.bus.ReadRegister(34)), 1768, 1);
}

// Microseconds since the Unix epoch, from the system's wall clock.
int64_t WallMicroseconds() {
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

// The angle (0-8191) of a magnet at 6 rpm, a turn every ten seconds since the epoch.
int AngleAt6Rpm(int64_t microseconds) {
    return int(microseconds % 10'000'000 * 8192 / 10'000'000);
}

// Whether the angle lies on the way from one angle to a later one, give or take two codes.
bool OnTheWay(int angle, int from, int to) {
    const auto forward = [](int a, int b) { return ((b - a) % 8192 + 8192) % 8192; };
    return forward(from - 2, angle) <= forward(from - 2, to + 2);
}

TEST(SimChipMagnet, ChipsStartedAtDifferentMomentsSeeOneMagnetOnTheWallClock) {
    ChipModel first(Quiet());
    std::this_thread::sleep_for(std::chrono::milliseconds(300));  // 246 codes at 6 rpm
    ChipModel second(Quiet());
    Bus firstBus(first), secondBus(second);
    const int64_t before = WallMicroseconds();
    const int firstAngle = firstBus.Read() & 0x1FFF;
    const int secondAngle = secondBus.Read() & 0x1FFF;
    const int64_t after = WallMicroseconds();
    ASSERT_LT(after - before, 1'000'000) << "the reads took too long to compare";
    const int from = AngleAt6Rpm(before), to = AngleAt6Rpm(after);
    EXPECT_TRUE(OnTheWay(firstAngle, from, to)) << firstAngle << " not in " << from << ".." << to;
    EXPECT_TRUE(OnTheWay(secondAngle, from, to)) << secondAngle << " not in " << from << ".." << to;
}

TEST(SimChipMagnet, ModelsCreatedAtDifferentMomentsReadTheSameAngle) {
    double now = 1'767'225'600.0;  // 2026-01-01 00:00:00 UTC, a whole number of turns
    const ChipModel::Clock clock = [&now] { return now; };
    ChipModel early(Quiet(), clock);
    now += 3.7;
    ChipModel late(Quiet(), clock);
    now += 0.9;  // 4.6 s into the turn: 0.46 of 8192 codes
    Bus earlyBus(early), lateBus(late);
    const uint16_t angle = earlyBus.ReadRegister(37);
    EXPECT_NEAR(angle, 3768, 2);
    EXPECT_EQ(lateBus.ReadRegister(37), angle);
    EXPECT_EQ(earlyBus.Read(), lateBus.Read());
}

TEST(SimChipMagnet, AngleAdvancesWithTheClockByTheSpeedAtTodaysEpochValues) {
    const struct {
        double rpm;
        double seconds;  // time between the two readings
        int advance;     // angle codes between them
    } cases[] = {
        {6.0, 1.25, 1024},    {-6.0, 1.25, -1024},       {0.5, 15.0, 1024},
        {12.0, 60.625, 1024}, {60000.0, 0.000125, 1024}, {-100000.0, 0.00015, -2048},
        {0.0, 100.0, 0},
    };
    for (const auto& c : cases) {
        ChipOptions options = Quiet();
        options.rpm = c.rpm;
        double now = 1'767'225'600.123456;
        ChipModel chip(options, [&now] { return now; });
        Bus bus(chip);
        const int first = bus.Read() & 0x1FFF;
        now += c.seconds;
        const int second = bus.Read() & 0x1FFF;
        const int advance = ((second - first) % 8192 + 8192) % 8192;
        const int expected = (c.advance % 8192 + 8192) % 8192;
        const int apart =
            std::min((advance - expected + 8192) % 8192, (expected - advance + 8192) % 8192);
        EXPECT_LE(apart, 2) << c.rpm << " rpm: " << first << " -> " << second;
        if (c.rpm == 0.0) {
            EXPECT_EQ(first, 0) << "a still magnet rests at angle 0";
        }
    }
}

TEST(SimChipMagnet, SensorPowerOffLeavesOnlyNoise) {
    Fixture f(Quiet());
    f.bus.ConfigWrite(3, 0x2000);  // SDIS
    const Sweep s = Revolve(f, 6.0);
    EXPECT_LT(s.maxRadius, 1.0);
}

}  // namespace
}  // namespace sim
