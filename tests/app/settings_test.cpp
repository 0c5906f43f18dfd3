#include "app/files/settings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "app/files/ini_values.h"
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

// The names of everything in the folder, sorted.
std::vector<std::string> FolderEntries(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        const std::u8string name = entry.path().filename().u8string();
        names.emplace_back(name.begin(), name.end());
    }
    std::sort(names.begin(), names.end());
    return names;
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

TEST_F(SettingsFileTest, AValueAnotherProcessSavedMeanwhileIsNotPutBackByAStaleSave) {
    Write(path,
          "[CONFIG]\nSaveAngleDataFile=a.csv\nSaveAngleDataToFile=0\nSaveChartDataToFile=0\n"
          "ConnectActive=1\nEnable_SSI=0\n");
    const app::Settings loaded = file.Load("d.csv");
    // Another process (the window) ticks a box while this one (a batch run) is busy.
    app::Settings window = loaded;
    window.SaveAngleDataToFile = true;
    app::SettingsFile(path).Save(window, &loaded);
    // This one saves on its way out; it changed only ConnectActive.
    app::Settings batch = loaded;
    batch.ConnectActive = false;
    file.Save(batch, &loaded);
    const app::Settings back = file.Load("d.csv");
    EXPECT_TRUE(back.SaveAngleDataToFile);
    EXPECT_FALSE(back.ConnectActive);
    EXPECT_EQ(back.SaveAngleDataFile, "a.csv");

    // A key the file lacks is written even when unchanged: the file gets all five.
    Write(path, "[CONFIG]\nConnectActive=1\n");
    app::Settings same = file.Load("d.csv");
    file.Save(same, &same);
    // (New lines follow the file's own line ends.)
    EXPECT_EQ(Read(path),
              "[CONFIG]\nConnectActive=1\nSaveAngleDataFile=d.csv\nSaveAngleDataToFile=0\n"
              "SaveChartDataToFile=0\nEnable_SSI=0\n");
}

TEST_F(SettingsFileTest, AKeyOfASectionOfItsOwnLeavesTheFiveAlone) {
    EXPECT_EQ(file.ReadKey("ConfigurationFiles", "LastFolder"), std::nullopt);
    Write(path, "[CONFIG]\nConnectActive=1\n; mine\n");
    file.WriteKey("ConfigurationFiles", "LastFolder", "/home/eng/boards");
    EXPECT_EQ(Read(path),
              "[CONFIG]\nConnectActive=1\n; mine\n[ConfigurationFiles]\n"
              "LastFolder=/home/eng/boards\n");
    EXPECT_EQ(file.ReadKey("configurationfiles", "lastfolder"), "/home/eng/boards");
    EXPECT_TRUE(file.Load("x").ConnectActive);
    EXPECT_EQ(file.ReadKey("CONFIG", "LastFolder"), std::nullopt);
}

#if !defined(_WIN32)
TEST_F(SettingsFileTest, TheAdapterSerialComesFromTheEnvironmentElseFromTheFile) {
    ::unsetenv("QX5520_ADAPTER_SERIAL");
    EXPECT_EQ(app::AdapterSelection(path), "") << "no file: every adapter";
    Write(path, "[CONFIG]\nConnectActive=1\n[Adapter]\nSerial=FT7X1Q2B\n");
    EXPECT_EQ(app::AdapterSelection(path), "FT7X1Q2B");
    EXPECT_EQ(std::getenv("QX5520_ADAPTER_SERIAL"), nullptr) << "the process is left as it was";
    ::setenv("QX5520_ADAPTER_SERIAL", "FTB2", 1);
    EXPECT_EQ(app::AdapterSelection(path), "FTB2") << "the environment goes first";
    ::unsetenv("QX5520_ADAPTER_SERIAL");
    EXPECT_EQ(file.ReadKey("CONFIG", "Serial"), std::nullopt) << "outside the five keys";
}
#endif

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
    // An existing key keeps its spelling; the missing ones follow the section's last line.
    EXPECT_EQ(Read(path),
              "; made by hand\n[Other]\nkeep=me\n\n[config]\nsaveangledatatofile=1\n"
              "CONNECTACTIVE=0\nenable_ssi=1\nExtra=1\nSaveAngleDataFile=x.csv\n"
              "SaveChartDataToFile=0\n");
    const app::Settings again = file.Load("default");
    EXPECT_EQ(again.SaveAngleDataFile, "x.csv");
    EXPECT_TRUE(again.SaveAngleDataToFile);
}

TEST_F(SettingsFileTest, EveryOtherByteOfTheFileIsKept) {
    // Windows line ends, comments of both kinds, blank lines, blanks around a value, a line
    // without '=', a line ending in a backslash and the one after it, and a CONFIG section that
    // stands twice: only the values change.
    Write(path,
          "; settings of the QX5520 tool\r\n"
          "# written by hand\r\n"
          "\r\n"
          "[Other]\r\n"
          "B = two words \r\n"
          "a line without equals\r\n"
          "path=C:\\data\\\r\n"
          "  continued=line\r\n"
          "[CONFIG]\r\n"
          "SaveAngleDataFile = old.csv  \r\n"
          "ConnectActive=1\r\n"
          "; comment inside\r\n"
          "\r\n"
          "[Third]\r\n"
          "x=1\r\n"
          "[config]\r\n"
          "Enable_SSI=1\r\n"
          "ConnectActive=0\r\n"
          "SaveChartDataToFile=1\r\n");
    const app::Settings before = file.Load("default");
    EXPECT_EQ(before.SaveAngleDataFile, "old.csv");
    EXPECT_FALSE(before.SaveAngleDataToFile);
    EXPECT_TRUE(before.SaveChartDataToFile) << "a key of the repeated section counts";
    EXPECT_TRUE(before.ConnectActive) << "the first of two keys counts";
    EXPECT_TRUE(before.Enable_SSI);

    app::Settings s;
    s.SaveAngleDataFile = "new.csv";
    s.SaveAngleDataToFile = true;
    file.Save(s);
    EXPECT_EQ(Read(path),
              "; settings of the QX5520 tool\r\n"
              "# written by hand\r\n"
              "\r\n"
              "[Other]\r\n"
              "B = two words \r\n"
              "a line without equals\r\n"
              "path=C:\\data\\\r\n"
              "  continued=line\r\n"
              "[CONFIG]\r\n"
              "SaveAngleDataFile = new.csv  \r\n"
              "ConnectActive=0\r\n"
              "; comment inside\r\n"
              "SaveAngleDataToFile=1\r\n"
              "\r\n"
              "[Third]\r\n"
              "x=1\r\n"
              "[config]\r\n"
              "Enable_SSI=0\r\n"
              "ConnectActive=0\r\n"
              "SaveChartDataToFile=0\r\n");
    const app::Settings after = file.Load("default");
    EXPECT_EQ(after.SaveAngleDataFile, "new.csv");
    EXPECT_TRUE(after.SaveAngleDataToFile);
    EXPECT_FALSE(after.SaveChartDataToFile || after.ConnectActive || after.Enable_SSI);
}

TEST_F(SettingsFileTest, AKeyThatStandsTwiceReadsItsFirstValue) {
    struct Case {
        const char* name;
        const char* text;
        bool connect;
    };
    const Case cases[] = {
        {"OneSection", "[CONFIG]\nConnectActive=1\nConnectActive=0\n", true},
        {"OneSectionReversed", "[CONFIG]\nConnectActive=0\nConnectActive=1\n", false},
        {"RepeatedSection", "[CONFIG]\nConnectActive=1\n[X]\n[config]\nConnectActive=0\n", true},
        {"OnlyInTheRepeatedSection", "[CONFIG]\nEnable_SSI=0\n[CONFIG]\nConnectActive=1\n", true},
    };
    for (const Case& c : cases) {
        Write(path, c.text);
        EXPECT_EQ(file.Load("d").ConnectActive, c.connect) << c.name;
    }
}

TEST_F(SettingsFileTest, AWindows1251FileStaysWindows1251) {
    // "; Настройки" and the path C:\Данные\angle.csv as a Windows editor saves them.
    const std::string comment = "; \xCD\xE0\xF1\xF2\xF0\xEE\xE9\xEA\xE8\r\n[CONFIG]\r\n";
    Write(path, comment +
                    "SaveAngleDataFile=C:\\\xC4\xE0\xED\xED\xFB\xE5\\angle.csv\r\n"
                    "ConnectActive=1\r\n");
    app::Settings s = file.Load("default");
    EXPECT_EQ(s.SaveAngleDataFile, "C:\\Данные\\angle.csv");
    EXPECT_TRUE(s.ConnectActive);

    // The lines the save does not change keep their bytes; a new value is written in the
    // file's code page.
    s.SaveAngleDataFile = "C:\\Замеры\\angle.csv";
    file.Save(s);
    EXPECT_EQ(Read(path), comment +
                              "SaveAngleDataFile=C:\\\xC7\xE0\xEC\xE5\xF0\xFB\\angle.csv\r\n"
                              "ConnectActive=1\r\nSaveAngleDataToFile=0\r\n"
                              "SaveChartDataToFile=0\r\nEnable_SSI=0\r\n");
    EXPECT_EQ(file.Load("default").SaveAngleDataFile, "C:\\Замеры\\angle.csv");

    // A value the code page cannot hold turns the file into UTF-8 as a whole.
    s.SaveAngleDataFile = "C:\\数据\\angle.csv";
    file.Save(s);
    EXPECT_EQ(Read(path).substr(0, 22), "; Настройки\r\n");
    EXPECT_EQ(file.Load("default").SaveAngleDataFile, "C:\\数据\\angle.csv");
}

TEST_F(SettingsFileTest, ASaveThatChangesNothingLeavesTheFileUntouched) {
    app::Settings s;
    s.ConnectActive = true;
    file.Save(s);
    const auto long_ago = std::filesystem::file_time_type::clock::now() - std::chrono::hours(48);
    std::filesystem::last_write_time(path, long_ago);
    file.Save(s);
    // Some file systems keep the time to a second or two only.
    const auto kept = std::filesystem::last_write_time(path);
    EXPECT_LT(kept, long_ago + std::chrono::seconds(3));
    EXPECT_GT(kept, long_ago - std::chrono::seconds(3));
    s.ConnectActive = false;
    file.Save(s);
    EXPECT_GT(std::filesystem::last_write_time(path), long_ago + std::chrono::hours(24));
}

#if !defined(_WIN32)
TEST_F(SettingsFileTest, ALinkStaysALinkAndHardLinksStayLinked) {
    const std::filesystem::path kept = dir.path() / "kept";
    std::filesystem::create_directory(kept);
    const std::filesystem::path target = kept / "config.ini";
    Write(target, "[CONFIG]\nConnectActive=0\n");
    std::filesystem::create_symlink("kept/config.ini", path);
    const std::filesystem::path other = dir.path() / "other.ini";
    std::filesystem::create_hard_link(target, other);

    app::Settings s;
    s.ConnectActive = true;
    file.Save(s);
    EXPECT_TRUE(std::filesystem::is_symlink(path));
    EXPECT_EQ(std::filesystem::hard_link_count(target), 2u);
    EXPECT_TRUE(app::SettingsFile(other).Load("d").ConnectActive) << "the other name sees it";
    EXPECT_TRUE(app::SettingsFile(target).Load("d").ConnectActive);
    EXPECT_EQ(FolderEntries(kept), std::vector<std::string>{"config.ini"});
}
#endif

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

TEST_F(SettingsFileTest, NoTemporaryFileIsLeftBeside) {
    app::Settings s;
    file.Save(s);
    s.ConnectActive = true;
    file.Save(s);
    const std::filesystem::path folder = dir.path() / "other";
    std::filesystem::create_directories(folder / "config.ini");  // a folder: cannot be written
    EXPECT_THROW(app::SettingsFile(folder / "config.ini").Save(s), app::SettingsWriteError);
    EXPECT_EQ(FolderEntries(dir.path()), (std::vector<std::string>{"config.ini", "other"}));
    EXPECT_EQ(FolderEntries(folder), std::vector<std::string>{"config.ini"});
}

const std::string kHead = "; kept\n[Other]\nkeep=me\n[CONFIG]\n";
const std::string kTail = "[Tail]\nlast=line\n";

// The values one writer saves, each writer its own.
app::Settings WriterValues(int writer) {
    app::Settings s;
    s.SaveAngleDataFile = "/data/writer" + std::to_string(writer) + ".csv";
    s.SaveAngleDataToFile = (writer & 1) != 0;
    s.SaveChartDataToFile = (writer & 2) != 0;
    s.ConnectActive = (writer & 4) != 0;
    s.Enable_SSI = true;
    return s;
}

// The file after a save of s into a file that holds all five keys.
std::string WriterText(const app::Settings& s) {
    auto flag = [](bool on) { return std::string(on ? "1" : "0"); };
    return kHead + "SaveAngleDataFile=" + s.SaveAngleDataFile +
           "\nSaveAngleDataToFile=" + flag(s.SaveAngleDataToFile) +
           "\nSaveChartDataToFile=" + flag(s.SaveChartDataToFile) +
           "\nConnectActive=" + flag(s.ConnectActive) + "\nEnable_SSI=" + flag(s.Enable_SSI) +
           "\n" + kTail;
}

bool SameSettings(const app::Settings& a, const app::Settings& b) {
    return a.SaveAngleDataFile == b.SaveAngleDataFile &&
           a.SaveAngleDataToFile == b.SaveAngleDataToFile &&
           a.SaveChartDataToFile == b.SaveChartDataToFile && a.ConnectActive == b.ConnectActive &&
           a.Enable_SSI == b.Enable_SSI;
}

TEST_F(SettingsFileTest, ReadersSeeOneWholeSaveWhileThreadsSaveSideBySide) {
    constexpr int kWriters = 6;
    constexpr int kSaves = 15;
    app::Settings start;
    start.SaveAngleDataFile = "/data/start.csv";
    Write(path, WriterText(start));

    std::atomic<int> writersLeft{kWriters};
    std::atomic<int> failedSaves{0};
    std::atomic<int> mixedLoads{0};
    std::atomic<int> loads{0};
    std::vector<std::thread> threads;
    for (int writer = 0; writer < kWriters; ++writer) {
        threads.emplace_back([&, writer] {
            const app::SettingsFile own(path);  // a file object, and a descriptor, of its own
            for (int i = 0; i < kSaves; ++i) {
                try {
                    own.Save(WriterValues(writer));
                } catch (const app::SettingsWriteError&) {
                    ++failedSaves;
                }
            }
            --writersLeft;
        });
    }
    for (int reader = 0; reader < 2; ++reader) {
        threads.emplace_back([&] {
            while (writersLeft > 0) {
                const app::Settings seen = file.Load("missing");
                bool whole = SameSettings(seen, start);
                for (int writer = 0; writer < kWriters; ++writer) {
                    whole = whole || SameSettings(seen, WriterValues(writer));
                }
                if (!whole) ++mixedLoads;
                ++loads;
                // A reader holding the file open keeps Windows from replacing it meanwhile.
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        });
    }
    for (std::thread& thread : threads) thread.join();

    EXPECT_EQ(failedSaves.load(), 0);
#if !defined(_WIN32)
    // A rename replaces the file in one step. (Wine's replacing move is not one step for a
    // reader: it can find the file missing for a moment; the writers still lose nothing.)
    EXPECT_EQ(mixedLoads.load(), 0) << "of " << loads.load() << " loads";
#endif
    const std::string text = Read(path);
    bool oneWriters = false;
    for (int writer = 0; writer < kWriters; ++writer) {
        oneWriters = oneWriters || text == WriterText(WriterValues(writer));
    }
    EXPECT_TRUE(oneWriters) << text;
    EXPECT_EQ(FolderEntries(dir.path()), std::vector<std::string>{"config.ini"});
}

TEST_F(SettingsFileTest, WritersSideBySideLoseNoKey) {
    // Each thread writes a key of its own again and again: a write made from a file read
    // before another writer's write would drop that writer's key or bring back an old value.
    constexpr int kWriters = 6;
    constexpr int kWrites = 15;
    Write(path, kHead + "SaveAngleDataFile=a.csv\n" + kTail);
    std::atomic<int> failedWrites{0};
    std::vector<std::thread> threads;
    for (int writer = 0; writer < kWriters; ++writer) {
        threads.emplace_back([&, writer] {
            const app::SettingsFile own(path);
            const std::string key = "Writer" + std::to_string(writer);
            for (int i = 1; i <= kWrites; ++i) {
                try {
                    own.WriteKey(key.c_str(), std::to_string(i));
                } catch (const app::SettingsWriteError&) {
                    ++failedWrites;
                }
            }
        });
    }
    for (std::thread& thread : threads) thread.join();

    EXPECT_EQ(failedWrites.load(), 0);
    const std::string text = Read(path);
    for (int writer = 0; writer < kWriters; ++writer) {
        EXPECT_EQ(app::FindIniValue(text, "CONFIG", "Writer" + std::to_string(writer)),
                  std::to_string(kWrites))
            << text;
    }
    EXPECT_EQ(text.rfind(kHead + "SaveAngleDataFile=a.csv\n", 0), 0u) << text;
    EXPECT_EQ(text.substr(text.size() - kTail.size()), kTail) << text;
    EXPECT_EQ(text.size(), kHead.size() + 24 + kWriters * 11 + kTail.size()) << text;
}

}  // namespace
