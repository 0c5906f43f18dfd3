#include "app/shell.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "app/batch/headless_window.h"
#include "tests/app/temp_dir.h"
#include "tests/fake_chip.h"

namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::Not;

std::string Read(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// Records every step start-up takes on the window, in order.
class RecordingWindow : public app::HeadlessWindowState {
  public:
    std::vector<std::string> steps;

    void SetChartsFileText(const std::string& text) override {
        steps.push_back("charts " + text);
        HeadlessWindowState::SetChartsFileText(text);
    }
    void SetXYFilenameText(const std::string& text) override {
        steps.push_back("xy " + text);
        HeadlessWindowState::SetXYFilenameText(text);
    }
    void SetUpDial() override { steps.push_back("dial"); }
    void SetChip(chip::TASensDig* chip) override {
        steps.push_back(chip ? "chip" : "no chip");
        HeadlessWindowState::SetChip(chip);
    }
    void SetAngleDataFileText(const std::string& text) override {
        steps.push_back("angle " + text);
        HeadlessWindowState::SetAngleDataFileText(text);
    }
    void SetSaveToFileChecked(bool on) override {
        steps.push_back(std::string("save ") + (on ? "1" : "0"));
        HeadlessWindowState::SetSaveToFileChecked(on);
    }
    void SetSaveChartsToFileChecked(bool on) override {
        steps.push_back(std::string("charts-save ") + (on ? "1" : "0"));
        HeadlessWindowState::SetSaveChartsToFileChecked(on);
    }
    void SetConnectChecked(bool on) override {
        steps.push_back(std::string("connect ") + (on ? "1" : "0"));
        HeadlessWindowState::SetConnectChecked(on);
    }
    void SetSSIOnChecked(bool on) override {
        steps.push_back(std::string("ssi ") + (on ? "1" : "0"));
        HeadlessWindowState::SetSSIOnChecked(on);
    }
    void LoadLanguage() override { steps.push_back("language"); }
    void AppendVersionToCaption() override { steps.push_back("caption"); }
};

class ShellTest : public fake::AdapterTest {
  protected:
    void SetUp() override {
        fake::AdapterTest::SetUp();
        adapter.idle = 0x08E2;
        shell.SetErrorSink([this](const std::string& m) { errors.push_back(m); });
        window.onConnectClick = [this](bool on) {
            window.steps.push_back(on ? "click on" : "click off");
            if (on) {
                window.asensDig->Init();
                window.asensDig->CheckConnect();
            }
        };
    }
    void WriteConfig(const std::string& text) {
        std::ofstream(dir.path() / "config.ini", std::ios::binary) << text;
    }

    qxtest::TempDir dir;
    RecordingWindow window;
    app::Shell shell{window, {dir.exePath(), dir.exePath()}, clock};
    std::vector<std::string> errors;
};

TEST_F(ShellTest, WindowStartRunsTheStepsInOrderAndTouchesNoChip) {
    const std::string exe = dir.exePath();
    EXPECT_EQ(shell.FormCreate({}), std::nullopt);
    EXPECT_THAT(window.steps, ElementsAre("charts " + exe, "xy " + exe, "dial", "chip",
                                          "angle " + exe + "data.csv", "save 0", "charts-save 0",
                                          "connect 0", "ssi 0", "language", "caption"));
    EXPECT_THAT(adapter.log, IsEmpty());
    EXPECT_NE(window.asensDig, nullptr);
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "config.ini"));
}

TEST_F(ShellTest, SingleArgumentStartsTheWindowWithoutOpeningTheChannel) {
    EXPECT_EQ(shell.FormCreate({"-asens"}), std::nullopt);
    EXPECT_THAT(adapter.log, IsEmpty());
    EXPECT_THAT(window.steps, Contains("language"));
}

TEST_F(ShellTest, UnknownSwitchOpensAndIdentifiesThenGoesOnIntoTheWindow) {
    EXPECT_EQ(shell.FormCreate({"-ASENS", (dir.path() / "out.csv").string()}), std::nullopt);
    EXPECT_THAT(adapter.log, Contains("open"));
    EXPECT_THAT(adapter.log, Contains("write 4F 00"));
    EXPECT_EQ(window.steps.back(), "caption");
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "out.csv"));
    EXPECT_TRUE(fake::active->open) << "the channel stays open";
}

TEST_F(ShellTest, StoredConnectSwitchesOnInsideLoadSettingsBeforeTheRest) {
    WriteConfig("[CONFIG]\nConnectActive=1\nEnable_SSI=1\nSaveAngleDataToFile=1\n");
    shell.FormCreate({});
    EXPECT_THAT(window.steps, ElementsAre(::testing::_, ::testing::_, "dial", "chip", ::testing::_,
                                          "save 1", "charts-save 0", "connect 1", "click on",
                                          "ssi 1", "language", "caption"));
}

TEST_F(ShellTest, LoadingWritesNothing) {
    const std::string text = "[CONFIG]\nConnectActive=yes\nSaveAngleDataFile=\n";
    WriteConfig(text);
    shell.LoadSettings();
    EXPECT_EQ(Read(dir.path() / "config.ini"), text);
    EXPECT_EQ(window.angleDataFile, "");
    EXPECT_FALSE(window.connect);
}

TEST_F(ShellTest, DestroyClosesTheChannelFreesTheChipAndSavesTheControls) {
    shell.FormCreate({});
    window.asensDig->Init();
    window.angleDataFile = "/data/run.csv";
    window.connect = true;
    window.ssiOn = true;
    shell.FormDestroy();
    EXPECT_EQ(adapter.log.back(), "close");
    EXPECT_EQ(window.steps.back(), "no chip") << "taken from the window before it is freed";
    EXPECT_EQ(window.asensDig, nullptr);
    EXPECT_EQ(Read(dir.path() / "config.ini"),
              qxtest::PlatformLines("[CONFIG]\nSaveAngleDataFile=/data/run.csv\n"
                                    "SaveAngleDataToFile=0\nSaveChartDataToFile=0\n"
                                    "ConnectActive=1\nEnable_SSI=1\n"));
    EXPECT_THAT(errors, IsEmpty());
}

TEST_F(ShellTest, UnwritableSettingsAreReportedNotHidden) {
    RecordingWindow other;
    app::Shell nowhere(other, {dir.exePath() + "missing/", dir.exePath()}, clock);
    std::vector<std::string> seen;
    nowhere.SetErrorSink([&](const std::string& m) { seen.push_back(m); });
    nowhere.FormCreate({});
    nowhere.FormDestroy();
    EXPECT_THAT(seen, ElementsAre("Unable to write to " + dir.exePath() + "missing/config.ini"));
    EXPECT_THROW(nowhere.SaveSettings(), app::SettingsWriteError);
}

TEST_F(ShellTest, SettingsAndDefaultFileNamesFollowTheirFolders) {
    // The layout of an installed copy: config.ini and the logs in folders of their own.
    std::filesystem::create_directories(dir.path() / "config");
    RecordingWindow installed;
    app::Shell shell(installed, {dir.exePath() + "config/", dir.exePath() + "data/"}, clock);
    shell.FormCreate({});
    EXPECT_EQ(installed.angleDataFile, dir.exePath() + "data/data.csv");
    EXPECT_EQ(installed.chartsFile, dir.exePath() + "data/");
    shell.FormDestroy();
    EXPECT_TRUE(std::filesystem::exists(dir.path() / "config" / "config.ini"));
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "config.ini"));
}

TEST_F(ShellTest, ClockRateComesFromTheFreqEdit) {
    shell.FormCreate({});
    window.freq = "$100";
    window.asensDig->Init();
    EXPECT_EQ(adapter.lastConfig.ClockRate, 256u);
    window.asensDig->CloseSPI();
    window.freq = "fast";
    window.asensDig->Init();
    EXPECT_EQ(adapter.lastConfig.ClockRate, 1000000u) << "not an integer gives 1 MHz";
}

TEST(BatchCommandLine, NeedsTwoArgumentsAndAnExactSwitch) {
    EXPECT_TRUE(app::IsBatchCommandLine({"-asens", "a.csv"}));
    EXPECT_TRUE(app::IsBatchCommandLine({"-setparam", "1"}));
    EXPECT_TRUE(app::IsBatchCommandLine({"-asensangle", "a.csv", "extra"}));
    EXPECT_FALSE(app::IsBatchCommandLine({"-asens"}));
    EXPECT_FALSE(app::IsBatchCommandLine({"-ASENS", "a.csv"}));
    EXPECT_FALSE(app::IsBatchCommandLine({"asens", "a.csv"}));
    EXPECT_FALSE(app::IsBatchCommandLine({}));
}

}  // namespace
