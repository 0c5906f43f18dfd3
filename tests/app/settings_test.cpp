#include "app/settings.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "tests/app/temp_dir.h"

namespace {

std::string Read(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void Write(const std::filesystem::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

TEST(SettingsBoolean, ReadsDecimalAndLongHexOnly) {
    struct Case {
        const char* value;
        bool expected;
    };
    const Case cases[] = {
        {"1", true},   {"0", false},   {"-1", true},   {"0x10", true}, {"0X0", false},
        {"0x1", true}, {"yes", false}, {"", false},    {"0x", false},  {"$10", false},
        {"x1", false}, {"2", true},    {"1.0", false}, {"00", false},  {"true", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(app::ReadSettingsBoolean(c.value, false), c.expected) << c.value;
    }
    EXPECT_TRUE(app::ReadSettingsBoolean("yes", true)) << "not an integer gives the default";
}

class SettingsFileTest : public ::testing::Test {
  protected:
    qxtest::TempDir dir;
    std::filesystem::path path = dir.path() / "config.ini";
    app::SettingsFile file{path};
};

TEST_F(SettingsFileTest, MissingFileGivesDefaultsAndCreatesNothing) {
    const app::Settings s = file.Load("/opt/qx/data.csv");
    EXPECT_EQ(s.SaveAngleDataFile, "/opt/qx/data.csv");
    EXPECT_FALSE(s.SaveAngleDataToFile || s.SaveChartDataToFile || s.ConnectActive || s.Enable_SSI);
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST_F(SettingsFileTest, SavesTheFiveKeysInTheirOrder) {
    app::Settings s;
    s.SaveAngleDataFile = "D:\\Tools\\data.csv";
    s.SaveChartDataToFile = true;
    s.ConnectActive = true;
    file.Save(s);
    EXPECT_EQ(Read(path), qxtest::PlatformLines(
                              "[CONFIG]\nSaveAngleDataFile=D:\\Tools\\data.csv\n"
                              "SaveAngleDataToFile=0\nSaveChartDataToFile=1\nConnectActive=1\n"
                              "Enable_SSI=0\n"));
}

TEST_F(SettingsFileTest, ReadsKeysWithoutRegardToCaseAndKeepsEverythingElse) {
    Write(path,
          "; made by hand\n[Other]\nkeep=me\n\n[config]\nsaveangledatatofile=0x10\n"
          "CONNECTACTIVE=yes\nenable_ssi=-1\nExtra=1\n");
    const app::Settings s = file.Load("default");
    EXPECT_EQ(s.SaveAngleDataFile, "default");
    EXPECT_TRUE(s.SaveAngleDataToFile);
    EXPECT_FALSE(s.ConnectActive);
    EXPECT_TRUE(s.Enable_SSI);

    app::Settings saved = s;
    saved.SaveAngleDataFile = "x.csv";
    file.Save(saved);
    const std::string text = Read(path);
    EXPECT_NE(text.find("; made by hand"), std::string::npos) << text;
    EXPECT_NE(text.find(qxtest::PlatformLines("[Other]\nkeep=me")), std::string::npos) << text;
    EXPECT_NE(text.find("Extra=1"), std::string::npos) << text;
    EXPECT_NE(text.find("saveangledatatofile=1"), std::string::npos)
        << "an existing key keeps its spelling: " << text;
    const app::Settings again = file.Load("default");
    EXPECT_EQ(again.SaveAngleDataFile, "x.csv");
    EXPECT_TRUE(again.SaveAngleDataToFile);
}

TEST_F(SettingsFileTest, EmptyTextStaysEmptyAndUtf8PathsSurvive) {
    Write(path, "[CONFIG]\nSaveAngleDataFile=\n");
    EXPECT_EQ(file.Load("default").SaveAngleDataFile, "");
    app::Settings s;
    s.SaveAngleDataFile = "/home/инженер/данные.csv";
    file.Save(s);
    EXPECT_EQ(file.Load("default").SaveAngleDataFile, "/home/инженер/данные.csv");
}

TEST_F(SettingsFileTest, FileInADirectoryWithCyrillicNameIsReadAndWritten) {
    const std::filesystem::path folder = dir.path() / std::filesystem::u8path("Папка");
    std::filesystem::create_directory(folder);
    app::SettingsFile cyrillic(folder / "config.ini");
    app::Settings s;
    s.ConnectActive = true;
    cyrillic.Save(s);
    EXPECT_TRUE(cyrillic.Load("d").ConnectActive);
}

TEST_F(SettingsFileTest, FileThatCannotBeReadIsNotOverwritten) {
    // A folder of that name stands for a file the tool cannot read.
    std::filesystem::create_directory(path);
    EXPECT_EQ(file.Load("default").SaveAngleDataFile, "default");
    EXPECT_THROW(file.Save(app::Settings{}), app::SettingsWriteError);
    EXPECT_TRUE(std::filesystem::is_directory(path));
}

TEST_F(SettingsFileTest, UnwritableFileNamesItsFullPath) {
    const std::filesystem::path folder = dir.path() / "missing-folder";
    app::SettingsFile nowhere(folder / "config.ini");
    try {
        nowhere.Save(app::Settings{});
        FAIL() << "no error";
    } catch (const app::SettingsWriteError& error) {
        EXPECT_EQ(std::string(error.what()),
                  "Unable to write to " + (folder / "config.ini").string());
    }
}

}  // namespace
