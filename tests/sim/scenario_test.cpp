// The scenario reader: INI text in, settings and one complaint per bad key out.
#include "sim/scenario.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace sim {
namespace {

ScenarioResult Parse(const std::string& text) {
    return ParseScenario(text, "demo.ini");
}

TEST(SimScenario, EmptyTextGivesTheDefaults) {
    const ScenarioResult r = Parse("");
    EXPECT_TRUE(r.errors.empty());
    EXPECT_EQ(r.settings.channels, 1u);
    EXPECT_EQ(r.settings.chip.presence, ChipPresence::Present);
    EXPECT_EQ(r.settings.chip.id, 0x08E2);
    EXPECT_DOUBLE_EQ(r.settings.chip.rpm, 6.0);
    EXPECT_DOUBLE_EQ(r.settings.chip.noise, 3.0);
    EXPECT_FALSE(r.settings.chip.angleWord);
    EXPECT_FALSE(r.settings.vanishAfter);
    EXPECT_TRUE(r.settings.stateFile.empty());
    EXPECT_TRUE(r.settings.traceFile.empty());
}

TEST(SimScenario, EveryKeyIsTaken) {
    const ScenarioResult r = Parse(
        "[SIM]\n"
        "channels = 2\n"
        "Chip = Silent\n"
        "id = 0x1234\n"
        "reg.34 = 0x1000\n"
        "REG.0 = 17\n"
        "angle_word = 0xC123\n"
        "rpm = 0.5\n"
        "noise = 0\n"
        "offset_gain = -1.5\n"
        "eccentricity = 0.5\n"
        "harmonic2 = -0.25\n"
        "speed_ripple = 2\n"
        "truth = /tmp/truth.csv\n"
        "state = /tmp/chip.state\n"
        "trace = /tmp/chip trace.txt\n"
        "vanish_after = 12\n"
        "seed = 42\n"
        "stuck_high.20 = 0x0001\n"
        "stuck_low.39 = 0x8000\n");
    EXPECT_TRUE(r.errors.empty()) << r.errors.front();
    const Settings& s = r.settings;
    EXPECT_EQ(s.channels, 2u);
    EXPECT_EQ(s.chip.presence, ChipPresence::Silent);
    EXPECT_EQ(s.chip.id, 0x1234);
    EXPECT_EQ(s.chip.fixed[34], 0x1000);
    EXPECT_EQ(s.chip.fixed[0], 17);
    EXPECT_FALSE(s.chip.fixed[35]);
    EXPECT_EQ(s.chip.angleWord, 0xC123);
    EXPECT_DOUBLE_EQ(s.chip.rpm, 0.5);
    EXPECT_DOUBLE_EQ(s.chip.noise, 0.0);
    EXPECT_DOUBLE_EQ(s.chip.offsetGain, -1.5);
    EXPECT_DOUBLE_EQ(s.chip.eccentricity, 0.5);
    EXPECT_DOUBLE_EQ(s.chip.harmonic2, -0.25);
    EXPECT_DOUBLE_EQ(s.chip.speedRipple, 2.0);
    EXPECT_EQ(s.truthFile, "/tmp/truth.csv");
    EXPECT_EQ(s.stateFile, "/tmp/chip.state");
    EXPECT_EQ(s.traceFile, "/tmp/chip trace.txt");
    EXPECT_EQ(s.vanishAfter, 12u);
    EXPECT_EQ(s.seed, 42u);
    EXPECT_EQ(s.chip.stuckHigh[20], 0x0001);
    EXPECT_EQ(s.chip.stuckLow[39], 0x8000);
}

TEST(SimScenario, ChipPresenceWords) {
    EXPECT_EQ(Parse("[sim]\nchip = absent\n").settings.chip.presence, ChipPresence::Absent);
    EXPECT_EQ(Parse("[sim]\nchip = present\n").settings.chip.presence, ChipPresence::Present);
    EXPECT_EQ(Parse("[sim]\nchip = silent\n").settings.chip.presence, ChipPresence::Silent);
}

// Each bad line is named in one complaint and changes nothing; the good lines still apply.
TEST(SimScenario, BadKeysAndValuesAreReportedAndIgnored) {
    const struct {
        const char* line;
        const char* named;
    } cases[] = {
        {"colour = blue", "colour = blue"},
        {"channels = two", "channels = two"},
        {"channels = -1", "channels = -1"},
        {"channels = 17", "channels = 17"},
        {"id = 0x10000", "id = 0x10000"},
        {"id = 0x", "id = 0x"},
        {"id = 12abc", "id = 12abc"},
        {"chip = maybe", "chip = maybe"},
        {"rpm = fast", "rpm = fast"},
        {"rpm = nan", "rpm = nan"},
        {"noise = -3", "noise = -3"},
        {"offset_gain = 65", "offset_gain = 65"},
        {"eccentricity = 90", "eccentricity = 90"},
        {"truth = ", "truth = "},
        {"reg.40 = 1", "reg.40 = 1"},
        {"reg.x = 1", "reg.x = 1"},
        {"reg.34 = 70000", "reg.34 = 70000"},
        {"stuck_high.99 = 1", "stuck_high.99 = 1"},
        {"stuck_low.3 = -1", "stuck_low.3 = -1"},
        {"vanish_after = soon", "vanish_after = soon"},
        {"seed = -1", "seed = -1"},
        {"state = ", "state = "},
    };
    for (const auto& c : cases) {
        const ScenarioResult r = Parse(std::string("[sim]\nid = 0x0102\n") + c.line + "\n");
        ASSERT_EQ(r.errors.size(), 1u) << c.line;
        const std::string& error = r.errors[0];
        EXPECT_NE(error.find("demo.ini"), std::string::npos) << error;
        EXPECT_NE(error.find(c.named), std::string::npos) << error;
        EXPECT_NE(error.find("ignored"), std::string::npos) << error;
        const Settings defaults;
        EXPECT_EQ(r.settings.channels, defaults.channels) << c.line;
        EXPECT_EQ(r.settings.chip.presence, defaults.chip.presence) << c.line;
        EXPECT_DOUBLE_EQ(r.settings.chip.rpm, defaults.chip.rpm) << c.line;
        EXPECT_FALSE(r.settings.chip.fixed[34]) << c.line;
        EXPECT_TRUE(r.settings.stateFile.empty()) << c.line;
        if (std::string(c.line).rfind("id", 0) != 0) {
            EXPECT_EQ(r.settings.chip.id, 0x0102);
        }
    }
}

TEST(SimScenario, CommentsAfterAValueAreDropped) {
    const ScenarioResult r = Parse("[sim]\nrpm = 12   ; slower\nid = 0x1234 # other id\n");
    EXPECT_TRUE(r.errors.empty()) << r.errors.front();
    EXPECT_DOUBLE_EQ(r.settings.chip.rpm, 12.0);
    EXPECT_EQ(r.settings.chip.id, 0x1234);
}

TEST(SimScenario, RelativeFileNamesAreBesideTheScenario) {
    const std::filesystem::path dir = std::filesystem::path(QX_SIM_TEST_DIR) / "beside";
    std::filesystem::create_directories(dir);
    const std::filesystem::path file = dir / "scenario.ini";
    const std::filesystem::path absolute = std::filesystem::absolute(dir / "elsewhere.txt");
    std::ofstream(file) << "[sim]\nstate = chip.state\ntrace = " << absolute.string() << "\n";
    const ScenarioResult r = LoadScenario(file.string());
    EXPECT_EQ(std::filesystem::path(r.settings.stateFile), dir / "chip.state");
    EXPECT_EQ(std::filesystem::path(r.settings.traceFile), absolute);
}

TEST(SimScenario, OtherSectionsAreNotRead) {
    const ScenarioResult r = Parse("[other]\nchannels = 3\ncolour = blue\n");
    EXPECT_TRUE(r.errors.empty());
    EXPECT_EQ(r.settings.channels, 1u);
}

TEST(SimScenario, NumbersAcceptDecimalAndHexadecimal) {
    const struct {
        const char* text;
        bool ok;
        uint64_t value;
    } cases[] = {
        {"0", true, 0},          {"2274", true, 2274}, {"0x08E2", true, 0x8E2},
        {"0X08e2", true, 0x8E2}, {" 7 ", true, 7},     {"", false, 0},
        {"0x", false, 0},        {"+5", false, 0},     {"-5", false, 0},
        {"5 5", false, 0},       {"1e3", false, 0},    {"99999999999999999999", false, 0},
    };
    for (const auto& c : cases) {
        uint64_t value = 0;
        EXPECT_EQ(ParseUnsigned(c.text, value), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(value, c.value) << c.text;
        }
    }
}

TEST(SimScenario, BinaryGarbageDoesNotCrash) {
    std::string text;
    for (int i = 0; i < 4096; ++i) text += char((i * 7919) % 256);
    text += "\n[sim]\n\0= \xff\n";
    const ScenarioResult r = ParseScenario(text, "garbage.ini");
    EXPECT_EQ(r.settings.channels, 1u);
}

TEST(SimScenario, MissingFileGivesOneLineAndDefaults) {
    const ScenarioResult r = LoadScenario("/nonexistent/dir/scenario.ini");
    ASSERT_EQ(r.errors.size(), 1u);
    EXPECT_NE(r.errors[0].find("/nonexistent/dir/scenario.ini"), std::string::npos);
    EXPECT_EQ(r.settings.channels, 1u);
}

}  // namespace
}  // namespace sim
