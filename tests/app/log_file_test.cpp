#include "app/files/log_file.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "temp_dir.h"

namespace {

namespace fs = std::filesystem;

class AppendLogLineTest : public testing::Test {
  protected:
    void SetUp() override {
        directory_ = fs::temp_directory_path() /
                     ("qx_log_" + std::to_string(QX_GETPID()) + "_" +
                      testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(directory_);
        fs::create_directories(directory_);
    }
    void TearDown() override { fs::remove_all(directory_); }

    std::string PathOf(const std::string& name) const { return (directory_ / name).string(); }
    static std::string Contents(const std::string& path) {
        std::ifstream file(path, std::ios::binary);
        std::ostringstream text;
        text << file.rdbuf();
        return text.str();
    }

    fs::path directory_;
};

TEST_F(AppendLogLineTest, NewFileStartsWithTheHeaderAndLaterReadingsAppendOnlyLines) {
    const std::string path = PathOf("data.csv");
    app::AppendLogLine(path, "X;Y", "1;2;");
    app::AppendLogLine(path, "X;Y", "3;4;");
    EXPECT_EQ(Contents(path), "X;Y\r\n1;2;\r\n3;4;\r\n");
}

TEST_F(AppendLogLineTest, ExistingFileGetsNoHeaderEvenWhenEmpty) {
    struct Case {
        std::string before;
    };
    for (const Case& c : {Case{""}, Case{"old line\r\n"}}) {
        const std::string path = PathOf("existing.csv");
        std::ofstream(path, std::ios::binary) << c.before;
        app::AppendLogLine(path, "X;Y", "5;6;");
        EXPECT_EQ(Contents(path), c.before + "5;6;\r\n");
        fs::remove(path);
    }
}

TEST_F(AppendLogLineTest, LastLineWithoutItsLineEndIsEndedBeforeTheReading) {
    struct Case {
        std::string before;
        std::string after;
    };
    const Case cases[] = {
        // A reading cut short by a full disk: the next one must not be glued to it.
        {"A;B\r\n0E93;3731;0;\r\n0E94;3732;0;", "A;B\r\n0E93;3731;0;\r\n0E94;3732;0;\r\n5;6;\r\n"},
        {"A;B\r\n1;2;\r", "A;B\r\n1;2;\r\n5;6;\r\n"},
        {"A;B\n1;2;\n", "A;B\n1;2;\n5;6;\r\n"},
        {"A;B", "A;B\r\n5;6;\r\n"},
    };
    for (const Case& c : cases) {
        const std::string path = PathOf("unended.csv");
        std::ofstream(path, std::ios::binary) << c.before;
        app::AppendLogLine(path, "X;Y", "5;6;");
        EXPECT_EQ(Contents(path), c.after) << c.before;
        fs::remove(path);
    }
}

TEST_F(AppendLogLineTest, FileNameIsTakenAtEachCall) {
    app::AppendLogLine(PathOf("a.csv"), "H", "1");
    app::AppendLogLine(PathOf("b.csv"), "H", "2");
    EXPECT_EQ(Contents(PathOf("a.csv")), "H\r\n1\r\n");
    EXPECT_EQ(Contents(PathOf("b.csv")), "H\r\n2\r\n");
}

TEST_F(AppendLogLineTest, UnwritableNamesFailWithTheSystemTextAndTheFileName) {
    struct Case {
        std::string name;
        std::string systemText;
    };
#ifdef _WIN32
    const std::string directoryText = "Permission denied";  // what Windows says of a folder
#else
    const std::string directoryText = "Is a directory";
#endif
    const Case cases[] = {
        {directory_.string() + "/", directoryText},  // the program's directory alone
        {directory_.string(), directoryText},
        {PathOf("missing/data.csv"), "No such file or directory"},
        {"", "No such file or directory"},
#ifdef __linux__
        {"/dev/full", "No space left on device"},  // the write fails when it is flushed
#endif
    };
    for (const Case& c : cases) {
        try {
            app::AppendLogLine(c.name, "X;Y", "1;2;");
            ADD_FAILURE() << "no error for '" << c.name << "'";
        } catch (const app::LogFileError& error) {
            EXPECT_THAT(error.what(), testing::HasSubstr(c.systemText)) << c.name;
            EXPECT_THAT(error.what(), testing::HasSubstr("\"" + c.name + "\""));
        }
    }
    // Nothing was created on the way.
    EXPECT_TRUE(fs::is_empty(directory_));
}

TEST_F(AppendLogLineTest, ReadOnlyFileFailsToOpenAndKeepsItsContents) {
    const std::string path = PathOf("locked.csv");
    std::ofstream(path, std::ios::binary) << "X;Y\r\n";
    fs::permissions(path, fs::perms::owner_read);
    if (std::ofstream(path, std::ios::app).is_open()) {
        fs::permissions(path, fs::perms::owner_all);
        GTEST_SKIP() << "running with root rights";
    }
    EXPECT_THROW(app::AppendLogLine(path, "X;Y", "1;2;"), app::LogFileError);
    EXPECT_EQ(Contents(path), "X;Y\r\n");
    fs::permissions(path, fs::perms::owner_all);  // so that the folder can be removed
}

}  // namespace
