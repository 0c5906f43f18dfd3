// File faults: log and batch files that cannot be written, and settings and language files
// that hold garbage. Each gives a clear message, and nothing written before is lost.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <string>

#include "app/files/locked_append.h"
#include "app/files/log_file.h"
#include "app/files/settings.h"
#include "app/lang/language.h"
#include "tests/faults/tool_run.h"

namespace faults {
namespace {

constexpr const char* kHeader = "FullData;Angle Data;ADC;LS;CRC";

// A path that cannot be written, as root too.
struct UnwritablePath {
    const char* name;
    std::string path;       // may use {dir} for a private folder
    std::string reason;     // the system's text that the message must carry
    bool existing = false;  // the path exists (its content must stay)
};

std::string Expand(std::string path, const TempDir& dir) {
    const size_t at = path.find("{dir}");
    if (at != std::string::npos) path.replace(at, 5, dir.path().string());
    return path;
}

std::vector<UnwritablePath> UnwritablePaths() {
    return {
        {"FullDisk", "/dev/full", "No space left on device", true},
        {"UnderProc", "/proc/qx5520/data.csv", "No such file or directory"},
        {"InsideARegularFile", "{dir}/plain.txt/data.csv", "Not a directory"},
        {"Folder", "{dir}", "Is a directory", true},
        {"VeryLongName", "{dir}/" + std::string(300, 'n') + ".csv", "File name too long"},
    };
}

class LogFileFault : public testing::TestWithParam<UnwritablePath> {};

TEST_P(LogFileFault, AppendFailsWithTheSystemsReasonAndNamesTheFile) {
    TempDir dir;
    WriteFile(dir / "plain.txt", "kept\r\n");
    const std::string path = Expand(GetParam().path, dir);
    try {
        app::AppendLogLine(path, kHeader, "0A2B;2603;0;0;0");
        FAIL() << "no error for " << path;
    } catch (const app::LogFileError& error) {
        const std::string message = error.what();
        EXPECT_NE(message.find(path), std::string::npos) << message;
        EXPECT_NE(message.find(GetParam().reason), std::string::npos) << message;
    }
    EXPECT_EQ(ReadFile(dir / "plain.txt"), "kept\r\n");
}

INSTANTIATE_TEST_SUITE_P(Faults, LogFileFault, testing::ValuesIn(UnwritablePaths()),
                         [](const testing::TestParamInfo<UnwritablePath>& info) {
                             return info.param.name;
                         });

TEST(LogFileFault, LinesWrittenBeforeTheDiskFilledStayWhole) {
    TempDir dir;
    const std::string path = (dir / "data.csv").string();
    app::AppendLogLine(path, kHeader, "0001;1;0;0;0");
    app::AppendLogLine(path, kHeader, "0002;2;0;0;0");
    // The same file name now on a full disk: a bind of /dev/full is not at hand, so the
    // failing append goes to /dev/full and the earlier file must be unchanged.
    EXPECT_THROW(app::AppendLogLine("/dev/full", kHeader, "0003;3;0;0;0"), app::LogFileError);
    EXPECT_EQ(ReadFile(path), std::string(kHeader) + "\r\n0001;1;0;0;0\r\n0002;2;0;0;0\r\n");
}

// Runs the action in a child process whose files cannot grow past `limit` bytes, as on a
// disk that fills up in the middle of a write, and returns the text the action returned.
std::string OnADiskThatFillsAt(off_t limit, const std::function<std::string()>& action) {
    int channel[2];
    if (::pipe(channel) != 0) return "no pipe";
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(channel[0]);
        ::signal(SIGXFSZ, SIG_IGN);  // a write past the limit fails (EFBIG) instead of killing
        const rlimit small{static_cast<rlim_t>(limit), static_cast<rlim_t>(limit)};
        const std::string result =
            ::setrlimit(RLIMIT_FSIZE, &small) == 0 ? action() : "no file size limit";
        const ssize_t written = ::write(channel[1], result.data(), result.size());
        ::_exit(written == static_cast<ssize_t>(result.size()) ? 0 : 1);
    }
    ::close(channel[1]);
    std::string result;
    char buffer[512];
    for (ssize_t got; (got = ::read(channel[0], buffer, sizeof buffer)) > 0;) {
        result.append(buffer, static_cast<size_t>(got));
    }
    ::close(channel[0]);
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status) ||
        WEXITSTATUS(status) != 0) {
        return "the child process failed: " + result;
    }
    return result;
}

std::string AppendLogLineError(const std::string& path, const std::string& line) {
    try {
        app::AppendLogLine(path, kHeader, line);
        return "no error";
    } catch (const app::LogFileError& error) {
        return error.what();
    }
}

TEST(LogFileFault, ReadingTheDiskCannotTakeLeavesNoHalfLineToGlueTheNextOneTo) {
    TempDir dir;
    const std::string path = (dir / "data.csv").string();
    app::AppendLogLine(path, kHeader, "0E93;3731;0;0;0");
    const std::string before = ReadFile(path);
    // Room for a few bytes of the next line only.
    const std::string message = OnADiskThatFillsAt(static_cast<off_t>(before.size() + 6), [&] {
        return AppendLogLineError(path, "0E94;3732;0;0;0");
    });
    EXPECT_EQ(message, "Cannot write log file \"" + path + "\": File too large");
    EXPECT_EQ(ReadFile(path), before);
    // Space again: the next reading is a line of its own.
    app::AppendLogLine(path, kHeader, "0E95;3733;0;0;0");
    EXPECT_EQ(ReadFile(path), before + "0E95;3733;0;0;0\r\n");
}

TEST(LogFileFault, NewLogThatCannotTakeItsFirstLineIsNotLeftBehindWithoutItsHeader) {
    TempDir dir;
    const std::string path = (dir / "data.csv").string();
    const std::string message =
        OnADiskThatFillsAt(10, [&] { return AppendLogLineError(path, "0E94;3732;0;0;0"); });
    EXPECT_NE(message.find("File too large"), std::string::npos) << message;
    EXPECT_FALSE(std::filesystem::exists(path));
    app::AppendLogLine(path, kHeader, "0E95;3733;0;0;0");
    EXPECT_EQ(ReadFile(path), std::string(kHeader) + "\r\n0E95;3733;0;0;0\r\n");
}

TEST(BatchFileFault, RecordTheDiskCannotTakeIsCutBackToTheLinesBefore) {
    TempDir dir;
    const std::filesystem::path path = dir / "out.csv";
    WriteFile(path, "OutY;OutX;Zout;ANGLE_OUT;AMPLITUDE\r\n1;2;3;4;5");  // last line unended
    const std::string before = ReadFile(path);
    const std::string message = OnADiskThatFillsAt(static_cast<off_t>(before.size() + 4), [&] {
        std::string error;
        std::optional<app::BatchFile> file = app::BatchFile::Open(path, error);
        if (file && file->AppendRecord("OutY;OutX;Zout;ANGLE_OUT;AMPLITUDE", "6;7;8;9;10", error)) {
            return std::string("no error");
        }
        return error;
    });
    EXPECT_EQ(message, "cannot append to " + path.string() + ": File too large");
    EXPECT_EQ(ReadFile(path), before);
}

TEST(LogFileFault, NonAsciiNameIsCreatedUnderThatName) {
    TempDir dir;
    const std::string path = (dir / "Угол данные äöü.csv").string();
    app::AppendLogLine(path, kHeader, "0A2B;2603;0;0;0");
    app::AppendLogLine(path, kHeader, "0A2C;2604;0;0;0");
    EXPECT_EQ(ReadFile(std::filesystem::u8path(path)),
              std::string(kHeader) + "\r\n0A2B;2603;0;0;0\r\n0A2C;2604;0;0;0\r\n");
}

class BatchFileFault : public testing::TestWithParam<UnwritablePath> {};

TEST_P(BatchFileFault, RunEndsWithCode1AndOneLine) {
    ToolFolder tool;
    tool.Scenario("trace=" + (tool / "trace.txt").string() + "\n");
    WriteFile(tool / "plain.txt", "kept\r\n");
    const std::string path = Expand(GetParam().path, tool.dir());
    std::error_code ignored;
    const bool existed = std::filesystem::exists(path, ignored);
    const RunResult run = tool.Run({"-asens", path});
    EXPECT_EQ(run.code, 1);
    EXPECT_EQ(run.err.rfind("qx5520: cannot ", 0), 0u) << run.err;
    EXPECT_NE(run.err.find(GetParam().reason), std::string::npos) << run.err;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    EXPECT_EQ(ReadFile(tool / "plain.txt"), "kept\r\n");
    // An existing file that cannot be opened costs no register read (/dev/full opens and
    // fails on the write); a new file is created only once its line has been read.
    if (existed && std::string(GetParam().name) != "FullDisk") {
        EXPECT_EQ(ReadFile(tool / "trace.txt").find("write 45 00"), std::string::npos);
    }
}

INSTANTIATE_TEST_SUITE_P(Faults, BatchFileFault, testing::ValuesIn(UnwritablePaths()),
                         [](const testing::TestParamInfo<UnwritablePath>& info) {
                             return info.param.name;
                         });

TEST(BatchFileFault, NonAsciiNameGetsTheHeaderAndTheLine) {
    ToolFolder tool;
    tool.Scenario("angle_word=0x0A2B\n");
    const std::string path = (tool / "угол.csv").string();
    EXPECT_EQ(tool.Run({"-asensangle", path}).code, 0);
    EXPECT_EQ(tool.Run({"-asensangle", path}).code, 0);
    EXPECT_EQ(ReadFile(std::filesystem::u8path(path)),
              "Data(hex);ANGLE_DIG_CORR_OUT[12:0];ADC;LOW_SPEED;CRC\r\n0A2B;2603;0;0;0\r\n"
              "0A2B;2603;0;0;0\r\n");
}

TEST(SettingsFileFault, UnwritableSettingsStopAtTheFirstKeyWithTheMessage) {
    // /proc/version exists and cannot be written, even by root.
    const app::SettingsFile settings("/proc/version");
    const app::Settings loaded = settings.Load("/x/data.csv");
    EXPECT_EQ(loaded.SaveAngleDataFile, "/x/data.csv");
    try {
        settings.Save(loaded);
        FAIL() << "no error";
    } catch (const app::SettingsWriteError& error) {
        EXPECT_STREQ(error.what(), "Unable to write to /proc/version");
    }
}

TEST(SettingsFileFault, SettingsFileThatIsAFolderIsReportedOnTheWayOutOfABatchRun) {
    ToolFolder tool;
    tool.Scenario("reg.34=1\nreg.35=2\nreg.36=3\nreg.37=4\nreg.38=5\n");
    std::filesystem::create_directory(tool / "config.ini");
    const RunResult run = tool.Run({"-asens", (tool / "out.csv").string()});
    // The reading is logged; the settings that could not be saved are named on stderr.
    EXPECT_EQ(ReadFile(tool / "out.csv"), "OutY;OutX;Zout;ANGLE_OUT;AMPLITUDE\r\n1;2;3;4;5\r\n");
    EXPECT_EQ(run.err, "qx5520: Unable to write to " + (tool / "config.ini").string() + "\n");
    EXPECT_TRUE(std::filesystem::is_directory(tool / "config.ini"));
}

// The bytes of a literal that holds NULs.
template <size_t N>
std::string Bytes(const char (&literal)[N]) {
    return std::string(literal, N - 1);
}

struct GarbledFile {
    const char* name;
    std::string text;
};

std::vector<GarbledFile> GarbledSettings() {
    return {
        {"BinaryGarbage", Bytes("\x00\x01\xff\xfe[\x00]=\x1b\x7f\x80")},
        {"InvalidUtf8", "[CONFIG]\nSaveAngleDataFile=\xc3\x28\xa0\xa1.csv\nConnectActive=1\n"},
        {"ByteOrderMark", "\xef\xbb\xbf[CONFIG]\r\nConnectActive=1\r\nSaveAngleDataFile=b.csv\r\n"},
        {"VeryLongLine",
         "[CONFIG]\nSaveAngleDataFile=" + std::string(1 << 20, 'L') + "\nConnectActive=1\n"},
        {"NoSection", "SaveAngleDataFile=x.csv\nConnectActive=1\n"},
        {"UnclosedSection", "[CONFIG\nConnectActive=1\n[Other]\nkey=value\n"},
    };
}

class SettingsGarbage : public testing::TestWithParam<GarbledFile> {};

TEST_P(SettingsGarbage, LoadsWithoutFailingAndASaveReadsBackAsSaved) {
    TempDir dir;
    const std::filesystem::path path = dir / "config.ini";
    WriteFile(path, GetParam().text);
    const app::SettingsFile settings(path);
    const app::Settings loaded = settings.Load("/x/data.csv");
    const std::string& name = GetParam().name;
    if (name == "ByteOrderMark") {
        EXPECT_TRUE(loaded.ConnectActive);
        EXPECT_EQ(loaded.SaveAngleDataFile, "b.csv");
    } else if (name == "InvalidUtf8") {
        // Not UTF-8: read as Windows-1251 (Г, "(", no-break space, Ў).
        EXPECT_EQ(loaded.SaveAngleDataFile, "\xD0\x93(\xC2\xA0\xD0\x8E.csv");
        EXPECT_TRUE(loaded.ConnectActive);
    } else if (name == "VeryLongLine") {
        EXPECT_EQ(loaded.SaveAngleDataFile.size(), size_t(1 << 20));
        EXPECT_TRUE(loaded.ConnectActive);
    } else {
        EXPECT_EQ(loaded.SaveAngleDataFile, "/x/data.csv");
        EXPECT_FALSE(loaded.ConnectActive);
    }

    app::Settings wanted;
    wanted.SaveAngleDataFile = "/логи/data.csv";
    wanted.SaveAngleDataToFile = true;
    wanted.Enable_SSI = true;
    settings.Save(wanted);
    const app::Settings back = settings.Load("/x/data.csv");
    EXPECT_EQ(back.SaveAngleDataFile, wanted.SaveAngleDataFile);
    EXPECT_TRUE(back.SaveAngleDataToFile);
    EXPECT_FALSE(back.SaveChartDataToFile);
    EXPECT_FALSE(back.ConnectActive);
    EXPECT_TRUE(back.Enable_SSI);
}

INSTANTIATE_TEST_SUITE_P(Faults, SettingsGarbage, testing::ValuesIn(GarbledSettings()),
                         [](const testing::TestParamInfo<GarbledFile>& info) {
                             return info.param.name;
                         });

std::vector<GarbledFile> GarbledLanguageFiles() {
    return {
        {"BinaryGarbage", Bytes("\x00\x01\xff\xfe[Language]\x00GA_X=\x1b")},
        {"InvalidUtf8", "[Language]\nGA_X=\xc3\x28\xa0\xa1\nbtnStart=Start\n"},
        {"ByteOrderMark", "\xef\xbb\xbf[Language]\r\nGA_X=Gain X\r\nbtnStart=Start\r\n"},
        {"VeryLongLine", "[Language]\nGA_X=" + std::string(1 << 20, 'L') + "\nbtnStart=Start\n"},
        {"NoSection", "GA_X=Gain X\nbtnStart=Start\n"},
    };
}

class LanguageGarbage : public testing::TestWithParam<GarbledFile> {};

TEST_P(LanguageGarbage, ReadsWhatItCanAndNeverFails) {
    TempDir dir;
    WriteFile(dir / "lang.eng", GetParam().text);
    const app::LanguageFile file((dir / "lang.eng").string());
    const std::string& name = GetParam().name;
    if (name == "InvalidUtf8") {
        EXPECT_EQ(file.Text("GA_X"), "\xD0\x93(\xC2\xA0\xD0\x8E");  // read as Windows-1251
        EXPECT_EQ(file.Text("btnstart"), "Start");
    } else if (name == "ByteOrderMark") {
        EXPECT_EQ(file.Text("GA_X"), "Gain X");
        EXPECT_EQ(file.Text("BTNSTART"), "Start");
    } else if (name == "VeryLongLine") {
        EXPECT_EQ(file.Text("GA_X").size(), size_t(1 << 20));
        EXPECT_EQ(file.Text("btnStart"), "Start");
    } else {
        EXPECT_EQ(file.Text("GA_X"), "");
        EXPECT_EQ(file.Text("btnStart"), "");
    }
}

INSTANTIATE_TEST_SUITE_P(Faults, LanguageGarbage, testing::ValuesIn(GarbledLanguageFiles()),
                         [](const testing::TestParamInfo<GarbledFile>& info) {
                             return info.param.name;
                         });

TEST(LanguageFault, LanguageFileThatIsAFolderReadsAsNoFile) {
    TempDir dir;
    std::filesystem::create_directory(dir / "lang.eng");
    const app::LanguageFile file((dir / "lang.eng").string());
    EXPECT_EQ(file.Text("GA_X"), "");
}

}  // namespace
}  // namespace faults
