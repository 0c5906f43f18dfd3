// The virtual chip through its exported entry points, as the tool's binding calls them.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "chip/I2Cdeclarations.h"
#include "sim/qx5520_sim.h"

extern "C" {
FT_STATUS SPI_GetNumChannels(uint32_t*);
FT_STATUS SPI_GetChannelInfo(uint32_t, FT_DEVICE_LIST_INFO_NODE*);
FT_STATUS SPI_OpenChannel(uint32_t, FT_HANDLE*);
FT_STATUS SPI_InitChannel(FT_HANDLE, ChannelConfig*);
FT_STATUS SPI_CloseChannel(FT_HANDLE);
FT_STATUS SPI_Read(FT_HANDLE, uint8_t*, uint32_t, uint32_t*, uint32_t);
FT_STATUS SPI_Write(FT_HANDLE, uint8_t*, uint32_t, uint32_t*, uint32_t);
FT_STATUS SPI_ReadWrite(FT_HANDLE, uint8_t*, uint8_t*, uint32_t, uint32_t*, uint32_t);
FT_STATUS SPI_IsBusy(FT_HANDLE, int*);
FT_STATUS FT_WriteGPIO(FT_HANDLE, uint8_t, uint8_t);
FT_STATUS FT_ReadGPIO(FT_HANDLE, uint8_t*);
}

// The exports must keep FTDI's signatures: these fail to compile otherwise.
static_assert(std::is_same_v<decltype(&SPI_GetNumChannels), SPI_GetNumChannels_t>);
static_assert(std::is_same_v<decltype(&SPI_ReadWrite), SPI_ReadWrite_t>);
static_assert(std::is_same_v<decltype(&FT_ReadGPIO), FT_ReadGPIO_t>);

namespace {

namespace fs = std::filesystem;

constexpr uint32_t kFrame = SPI_TRANSFER_OPTIONS_SIZE_IN_BYTES |
                            SPI_TRANSFER_OPTIONS_CHIPSELECT_ENABLE |
                            SPI_TRANSFER_OPTIONS_CHIPSELECT_DISABLE;

void SetScenarioVariable(const std::string& value) {
#ifdef _WIN32
    _putenv_s("QX5520_SIM", value.c_str());
#else
    if (value.empty()) {
        unsetenv("QX5520_SIM");
    } else {
        setenv("QX5520_SIM", value.c_str(), 1);
    }
#endif
}

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

class SimAdapter : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = fs::path(QX_SIM_TEST_DIR) /
               ("work_" +
                std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        Scenario("");
    }
    void TearDown() override {
        SetScenarioVariable("");
        QX5520Sim_Reset();
    }

    // Starts a fresh virtual chip from this scenario text ([sim] added in front).
    void Scenario(const std::string& keys) {
        const fs::path file = dir_ / "scenario.ini";
        std::ofstream(file) << "[sim]\n" << keys;
        SetScenarioVariable(file.string());
        QX5520Sim_Reset();
        handle_ = nullptr;
    }
    fs::path Path(const char* name) const { return dir_ / name; }
    std::string PathText(const char* name) const { return Path(name).generic_string(); }

    FT_HANDLE Open() {
        EXPECT_EQ(SPI_OpenChannel(0, &handle_), FT_OK);
        ChannelConfig config{};
        config.ClockRate = 1000;
        config.LatencyTimer = 1;
        config.configOptions = 0x20;
        EXPECT_EQ(SPI_InitChannel(handle_, &config), FT_OK);
        return handle_;
    }
    FT_STATUS Write(uint8_t b0, uint8_t b1) {
        uint8_t bytes[2] = {b0, b1};
        uint32_t done = 0;
        return SPI_Write(handle_, bytes, 2, &done, kFrame);
    }
    uint16_t Read() {
        uint8_t bytes[2] = {0x55, 0x55};
        uint32_t done = 0;
        SPI_Read(handle_, bytes, 2, &done, kFrame);
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

    fs::path dir_;
    FT_HANDLE handle_ = nullptr;
};

int Signed13(uint16_t v) {
    return (v & 0x1000) ? int(v & 0x1FFF) - 8192 : int(v & 0x1FFF);
}

TEST_F(SimAdapter, ChannelInfoDescribesTheAdapterAndItsHandle) {
    uint32_t count = 0;
    ASSERT_EQ(SPI_GetNumChannels(&count), FT_OK);
    EXPECT_EQ(count, 1u);
    FT_DEVICE_LIST_INFO_NODE info{};
    info.ftHandle = reinterpret_cast<FT_HANDLE>(1);
    ASSERT_EQ(SPI_GetChannelInfo(0, &info), FT_OK);
    EXPECT_EQ(info.Type, uint32_t(FT_DEVICE_232H));
    EXPECT_EQ(info.ID, 0x04036014u);
    EXPECT_STREQ(info.SerialNumber, "QX5520SIM");
    EXPECT_STREQ(info.Description, "QX5520 virtual chip");
    EXPECT_EQ(info.ftHandle, nullptr);

    const FT_HANDLE handle = Open();
    ASSERT_NE(handle, nullptr);
    ASSERT_EQ(SPI_GetChannelInfo(0, &info), FT_OK);
    EXPECT_EQ(info.ftHandle, handle);
    EXPECT_NE(info.Flags & FT_FLAGS_OPENED, 0u);

    ASSERT_EQ(SPI_CloseChannel(handle), FT_OK);
    ASSERT_EQ(SPI_GetChannelInfo(0, &info), FT_OK);
    EXPECT_EQ(info.ftHandle, nullptr);

    FT_DEVICE_LIST_INFO_NODE untouched{};
    untouched.ID = 77;
    EXPECT_NE(SPI_GetChannelInfo(1, &untouched), FT_OK);
    EXPECT_EQ(untouched.ID, 77u);
    FT_HANDLE none = nullptr;
    EXPECT_EQ(SPI_OpenChannel(1, &none), FT_DEVICE_NOT_FOUND);
    EXPECT_EQ(none, nullptr);
}

TEST_F(SimAdapter, ReopenedChannelGetsANewHandleAndKeepsTheChip) {
    const FT_HANDLE first = Open();
    ConfigWrite(20, 0x4321);
    SPI_CloseChannel(first);
    const FT_HANDLE second = Open();
    EXPECT_NE(first, second);
    EXPECT_EQ(ReadRegister(20), 0x4321);
    uint8_t bytes[2] = {0x12, 0x34};
    uint32_t done = 0;
    EXPECT_EQ(SPI_Read(first, bytes, 2, &done, kFrame), FT_INVALID_HANDLE);
}

// Every call on a null, unknown or closed handle is refused and leaves the buffers alone.
TEST_F(SimAdapter, CallsOnUnusableHandlesAreRefusedAndTouchNothing) {
    const FT_HANDLE closed = Open();
    SPI_CloseChannel(closed);
    const FT_HANDLE handles[] = {nullptr, reinterpret_cast<FT_HANDLE>(0x1234), closed};
    for (FT_HANDLE h : handles) {
        uint8_t in[2] = {0x12, 0x34}, out[2] = {0x56, 0x78};
        uint32_t done = 99;
        int busy = 7;
        uint8_t gpio = 0xAB;
        ChannelConfig config{};
        EXPECT_EQ(SPI_Read(h, in, 2, &done, kFrame), FT_INVALID_HANDLE);
        EXPECT_EQ(SPI_Write(h, out, 2, &done, kFrame), FT_INVALID_HANDLE);
        EXPECT_EQ(SPI_ReadWrite(h, in, out, 2, &done, kFrame), FT_INVALID_HANDLE);
        EXPECT_EQ(SPI_InitChannel(h, &config), FT_INVALID_HANDLE);
        EXPECT_EQ(SPI_IsBusy(h, &busy), FT_INVALID_HANDLE);
        EXPECT_EQ(FT_WriteGPIO(h, 0xFF, 0x10), FT_INVALID_HANDLE);
        EXPECT_EQ(FT_ReadGPIO(h, &gpio), FT_INVALID_HANDLE);
        EXPECT_EQ(SPI_CloseChannel(h), FT_INVALID_HANDLE);
        EXPECT_EQ(in[0], 0x12);
        EXPECT_EQ(in[1], 0x34);
        EXPECT_EQ(done, 99u);
        EXPECT_EQ(busy, 7);
        EXPECT_EQ(gpio, 0xAB);
    }
}

TEST_F(SimAdapter, FramesFollowTheSixFrameProtocol) {
    Open();
    EXPECT_EQ(ReadRegister(39), 0x08E2);
    ConfigWrite(5, 0xFFFF);
    EXPECT_EQ(ReadRegister(5), 0x1FFF);  // unmapped bits read 0
    Write(6 * 2, 0x00);                  // a plain write below 32 is ignored
    Write(0x12, 0x34);
    EXPECT_EQ(ReadRegister(6), 0x0000);
    Write(33 * 2, 0x00);  // register 33 takes a plain write
    Write(0x5A, 0xFF);
    EXPECT_EQ(ReadRegister(33), 0x5A00);
}

TEST_F(SimAdapter, BareReadFrameGivesTheAngleWord) {
    Scenario("angle_word = 0xA123\n");
    Open();
    EXPECT_EQ(Read(), 0xA123);
    EXPECT_EQ(ReadRegister(39), 0x08E2);
    EXPECT_EQ(Read(), 0xA123);
}

TEST_F(SimAdapter, ChipSelectBitsMakeOneFrameOfSeveralTransfers) {
    Open();
    uint32_t done = 0;
    uint8_t first[1] = {39 * 2 + 1}, second[1] = {0x00};
    SPI_Write(handle_, first, 1, &done, SPI_TRANSFER_OPTIONS_CHIPSELECT_ENABLE);
    SPI_Write(handle_, second, 1, &done, SPI_TRANSFER_OPTIONS_CHIPSELECT_DISABLE);
    uint8_t hi[1] = {0}, lo[1] = {0};
    SPI_Read(handle_, hi, 1, &done, SPI_TRANSFER_OPTIONS_CHIPSELECT_ENABLE);
    SPI_Read(handle_, lo, 1, &done, SPI_TRANSFER_OPTIONS_CHIPSELECT_DISABLE);
    EXPECT_EQ(hi[0], 0x08);
    EXPECT_EQ(lo[0], 0xE2);

    // Sizes in bits: 16 bits are two bytes.
    uint8_t command[2] = {39 * 2 + 1, 0}, answer[2] = {0, 0};
    SPI_Write(handle_, command, 16, &done, kFrame | SPI_TRANSFER_OPTIONS_SIZE_IN_BITS);
    EXPECT_EQ(done, 16u);
    SPI_Read(handle_, answer, 16, &done, kFrame | SPI_TRANSFER_OPTIONS_SIZE_IN_BITS);
    EXPECT_EQ(answer[0], 0x08);
    EXPECT_EQ(answer[1], 0xE2);

    // Without chip select the chip hears nothing and the line floats high.
    uint8_t unheard[2] = {39 * 2 + 1, 0}, floating[2] = {0, 0};
    SPI_Write(handle_, unheard, 2, &done, 0);
    SPI_Read(handle_, floating, 2, &done, 0);
    EXPECT_EQ(floating[0], 0xFF);
    EXPECT_EQ(floating[1], 0xFF);
}

TEST_F(SimAdapter, AbsentAndSilentChips) {
    const struct {
        const char* chip;
        uint16_t word;
    } cases[] = {{"absent", 0xFFFF}, {"silent", 0x0000}};
    for (const auto& c : cases) {
        Scenario(std::string("chip = ") + c.chip + "\n");
        Open();
        EXPECT_EQ(ReadRegister(39), c.word) << c.chip;
        EXPECT_EQ(Read(), c.word) << c.chip;
    }
}

TEST_F(SimAdapter, NoAdapterMeansNoChannelAndNothingRead) {
    Scenario("channels = 0\n");
    uint32_t count = 9;
    SPI_GetNumChannels(&count);
    EXPECT_EQ(count, 0u);
    FT_HANDLE handle = nullptr;
    EXPECT_EQ(SPI_OpenChannel(0, &handle), FT_DEVICE_NOT_FOUND);
    uint8_t bytes[2] = {0x12, 0x34};
    uint32_t done = 0;
    EXPECT_NE(SPI_Read(handle, bytes, 2, &done, kFrame), FT_OK);
    EXPECT_EQ(bytes[0], 0x12);
}

TEST_F(SimAdapter, TraceRecordsEveryCallInItsFormat) {
    Scenario("trace = " + PathText("trace.txt") + "\n");
    uint32_t count = 0;
    SPI_GetNumChannels(&count);
    FT_DEVICE_LIST_INFO_NODE info{};
    SPI_GetChannelInfo(0, &info);
    Open();
    FT_WriteGPIO(handle_, 0xFF, 0x10);
    Write(0x4F, 0x00);
    Read();
    SPI_CloseChannel(handle_);
    SPI_CloseChannel(handle_);

    const std::vector<std::string> lines = Lines(ReadFile(Path("trace.txt")));
    const std::vector<std::string> expected = {
        "count 1",     "info 0",     "open 0", "init 1000 1 0x20", "gpio 0xFF 0x10",
        "write 4F 00", "read 00 00", "close",  "close status 1"};
    ASSERT_EQ(lines.size(), expected.size());
    const std::regex stamp("^([0-9]+) (.*)$");
    for (size_t i = 0; i < lines.size(); ++i) {
        std::smatch m;
        ASSERT_TRUE(std::regex_match(lines[i], m, stamp)) << lines[i];
        if (expected[i] == "read 00 00") {
            EXPECT_TRUE(std::regex_match(m[2].str(), std::regex("read [0-9A-F]{2} [0-9A-F]{2}")))
                << lines[i];
        } else {
            EXPECT_EQ(m[2].str(), expected[i]);
        }
    }
}

TEST_F(SimAdapter, ScenarioErrorsGoToStandardErrorAndTheRestApplies) {
    const fs::path file = Path("scenario.ini");
    std::ofstream(file) << "[sim]\ncolour = blue\nchannels = lots\nid = 0x1111\n";
    ::testing::internal::CaptureStderr();
    QX5520Sim_Reset();
    uint32_t count = 0;
    SPI_GetNumChannels(&count);
    const std::string err = ::testing::internal::GetCapturedStderr();
    const std::vector<std::string> lines = Lines(err);
    ASSERT_EQ(lines.size(), 2u) << err;
    EXPECT_NE(lines[0].find(file.string()), std::string::npos) << lines[0];
    EXPECT_NE(lines[0].find("colour = blue"), std::string::npos) << lines[0];
    EXPECT_NE(lines[1].find("channels = lots"), std::string::npos) << lines[1];
    EXPECT_EQ(count, 1u);
    Open();
    EXPECT_EQ(ReadRegister(39), 0x1111);
}

TEST_F(SimAdapter, MissingScenarioFileGivesOneLineAndDefaults) {
    SetScenarioVariable(PathText("no-such.ini"));
    ::testing::internal::CaptureStderr();
    QX5520Sim_Reset();
    uint32_t count = 0;
    SPI_GetNumChannels(&count);
    const std::vector<std::string> lines = Lines(::testing::internal::GetCapturedStderr());
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find("no-such.ini"), std::string::npos);
    EXPECT_EQ(count, 1u);
}

TEST_F(SimAdapter, StateFileCarriesWritesToTheNextProcess) {
    const std::string keys = "state = " + PathText("chip.state") + "\n";
    Scenario(keys);
    Open();
    ConfigWrite(9, 0xCAFE);
    Write(33 * 2, 0x00);
    Write(0x70, 0x00);
    EXPECT_TRUE(fs::exists(Path("chip.state")));

    Scenario(keys);  // as a new process would start
    Open();
    EXPECT_EQ(ReadRegister(9), 0xCAFE);
    EXPECT_EQ(ReadRegister(33), 0x7000);
    for (const auto& entry : fs::directory_iterator(dir_)) {
        EXPECT_EQ(entry.path().filename().string().find(".tmp"), std::string::npos)
            << "temporary file left: " << entry.path();
    }

    fs::remove(Path("chip.state"));  // removing the file resets the chip
    Scenario(keys);
    Open();
    EXPECT_EQ(ReadRegister(9), 0x0000);
}

TEST_F(SimAdapter, DamagedStateFileIsReportedAndPowerUpValuesUsed) {
    std::ofstream(Path("chip.state")) << "[state]\nreg.9 = banana\n";
    Scenario("state = " + PathText("chip.state") + "\nreg.9 = 0x0042\n");
    ::testing::internal::CaptureStderr();
    Open();
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("banana"), std::string::npos) << err;
    EXPECT_EQ(ReadRegister(9), 0x0042);
}

TEST_F(SimAdapter, SsiModeLocksTheChipAcrossProcessesUntilReset) {
    const std::string keys = "state = " + PathText("chip.state") + "\n";
    Scenario(keys);
    Open();
    ConfigWrite(16, 0x0800);
    EXPECT_EQ(ReadRegister(39), 0xFFFF);
    ConfigWrite(16, 0x0000);
    EXPECT_EQ(ReadRegister(39), 0xFFFF);

    Scenario(keys);
    Open();
    EXPECT_EQ(ReadRegister(39), 0xFFFF);

    Scenario("");  // restarted without a state file
    Open();
    EXPECT_EQ(ReadRegister(39), 0x08E2);
}

TEST_F(SimAdapter, AdapterVanishesAfterTheConfiguredTransfers) {
    Scenario("vanish_after = 3\n");
    Open();
    EXPECT_EQ(Write(39 * 2 + 1, 0), FT_OK);
    EXPECT_EQ(Read(), 0x08E2);
    EXPECT_EQ(Write(0, 0), FT_OK);
    uint8_t bytes[2] = {0x12, 0x34};
    uint32_t done = 0;
    EXPECT_EQ(SPI_Read(handle_, bytes, 2, &done, kFrame), FT_DEVICE_NOT_FOUND);
    EXPECT_EQ(bytes[0], 0x12);
    EXPECT_EQ(FT_WriteGPIO(handle_, 0xFF, 0x10), FT_DEVICE_NOT_FOUND);
    uint32_t count = 9;
    SPI_GetNumChannels(&count);
    EXPECT_EQ(count, 0u);
    FT_DEVICE_LIST_INFO_NODE info{};
    EXPECT_NE(SPI_GetChannelInfo(0, &info), FT_OK);
    EXPECT_NE(SPI_CloseChannel(handle_), FT_OK);
    FT_HANDLE again = nullptr;
    EXPECT_EQ(SPI_OpenChannel(0, &again), FT_DEVICE_NOT_FOUND);
}

TEST_F(SimAdapter, StuckBitsReadBackDifferently) {
    Scenario("stuck_high.20 = 0x8000\nstuck_low.20 = 0x0001\n");
    Open();
    ConfigWrite(20, 0x00FF);
    EXPECT_EQ(ReadRegister(20), 0x80FE);
}

TEST_F(SimAdapter, FixedReadoutWordsFromTheScenario) {
    Scenario("reg.34 = 0x1000\nreg.32 = 0x0041\nid = 0x0815\n");
    Open();
    EXPECT_EQ(ReadRegister(34), 0x1000);
    EXPECT_EQ(ReadRegister(32), 0x0041);
    EXPECT_EQ(ReadRegister(39), 0x0815);
}

TEST_F(SimAdapter, DefaultMagnetDrawsACircleAndGainStretchesIt) {
    // A fast magnet, so that a short run of reads sweeps many turns in real time.
    Scenario("rpm = 60000\n");
    Open();
    auto sweep = [this] {
        int maxX = 0, maxY = 0;
        double minR = 1e9, maxR = 0;
        for (int i = 0; i < 3000; ++i) {
            const int x = Signed13(ReadRegister(35));
            const int y = Signed13(ReadRegister(34));
            maxX = std::max(maxX, std::abs(x));
            maxY = std::max(maxY, std::abs(y));
            const double r = std::hypot(x, y);
            minR = std::min(minR, r);
            maxR = std::max(maxR, r);
        }
        return std::tuple{maxX, maxY, minR, maxR};
    };
    const auto [maxX, maxY, minR, maxR] = sweep();
    EXPECT_NEAR(maxX, 2500, 40);
    EXPECT_NEAR(maxY, 2500, 40);
    EXPECT_LT(maxX, 4500);

    ConfigWrite(2, 8 << 11);  // GA_X = 8: X half as large again
    const auto [gainX, gainY, gainMinR, gainMaxR] = sweep();
    EXPECT_NEAR(gainX, 3750, 60);
    EXPECT_NEAR(gainY, 2500, 40);
    (void)minR, (void)maxR, (void)gainMinR, (void)gainMaxR;

    Scenario("");  // at the default speed sine and cosine read together lie on the circle
    Open();
    for (int i = 0; i < 20; ++i) {
        const double r = std::hypot(Signed13(ReadRegister(35)), Signed13(ReadRegister(34)));
        EXPECT_NEAR(r, 2500, 25);
    }
}

TEST_F(SimAdapter, EachStartDrawsNoiseOfItsOwn) {
    // A still magnet: what changes from reading to reading is the noise alone.
    auto readings = [this] {
        Scenario("rpm = 0\n");
        Open();
        std::vector<int> cosines;
        for (int i = 0; i < 16; ++i) cosines.push_back(Signed13(ReadRegister(34)));
        return cosines;
    };
    const std::vector<int> first = readings();
    const std::vector<int> second = readings();
    EXPECT_NE(first, second) << "two starts drew the same noise";
    for (int cosine : first) EXPECT_NEAR(cosine, 2500, 20);
}

TEST_F(SimAdapter, StillQuietChipAnswersTheSameOnEveryStart) {
    for (int start = 0; start < 2; ++start) {
        Scenario("rpm = 0\nnoise = 0\n");
        Open();
        EXPECT_EQ(ReadRegister(34), 2500) << "start " << start;
        EXPECT_EQ(ReadRegister(35), 0) << "start " << start;
        EXPECT_EQ(ReadRegister(37), 0) << "start " << start;
        EXPECT_EQ(Read(), 0xC000) << "start " << start;  // angle 0, LOW_SPEED, parity bit
    }
}

}  // namespace
