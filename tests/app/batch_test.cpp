#include "app/batch/batch.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <optional>

#include "app/files/locked_append.h"
#include "tests/app/temp_dir.h"
#include "tests/fake_chip.h"

namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::SizeIs;

std::string Read(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void Write(const std::filesystem::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

TEST(BatchLines, AsensLineTakesTheSignWithoutMaskingFirst) {
    EXPECT_EQ(app::FormatAsensLine(0x1000, 0x0100, 0xC005, 0x0064, 0x07D0), "-4096;256;5;100;2000");
    EXPECT_EQ(app::FormatAsensLine(0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF),
              "57343;57343;8191;65535;65535");
    EXPECT_EQ(app::FormatAsensLine(0xF001, 0x0FFF, 0, 0, 0), "53249;4095;0;0;0")
        << "bits 15-13 of register 34 stay in the first field";
    EXPECT_EQ(app::FormatAsensLine(0x1FFF, 0x1001, 0x2000, 0, 0), "-1;-4095;0;0;0");
}

TEST(BatchLines, AngleLineIsFourUpperHexDigitsThenTheSplit) {
    EXPECT_EQ(app::FormatAsensAngleLine(0x0A2B), "0A2B;2603;0;0;0");
    EXPECT_EQ(app::FormatAsensAngleLine(0x8A2B), "8A2B;2603;0;0;1");
    EXPECT_EQ(app::FormatAsensAngleLine(0xFFFF), "FFFF;8191;1;1;1");
    EXPECT_EQ(app::FormatAsensAngleLine(0x0000), "0000;0;0;0;0");
    EXPECT_EQ(app::FormatAsensAngleLine(0x6123), "6123;291;1;1;0");
}

class BatchFileTest : public ::testing::Test {
  protected:
    std::string Append(const std::string& line) {
        std::string error;
        auto file = app::BatchFile::Open(path, error);
        EXPECT_TRUE(file.has_value()) << error;
        if (file) {
            EXPECT_TRUE(file->AppendRecord("H1;H2", line, error)) << error;
        }
        return Read(path);
    }
    qxtest::TempDir dir;
    std::filesystem::path path = dir.path() / "out.csv";
};

TEST_F(BatchFileTest, HeaderOnlyForAMissingOrEmptyFile) {
    EXPECT_EQ(Append("1;2"), "H1;H2\r\n1;2\r\n");
    EXPECT_EQ(Append("3;4"), "H1;H2\r\n1;2\r\n3;4\r\n");
    Write(path, "");
    EXPECT_EQ(Append("5;6"), "H1;H2\r\n5;6\r\n");
}

TEST_F(BatchFileTest, ExistingBytesStayAndAnUnendedLastLineIsEndedFirst) {
    const struct {
        const char* before;
        const char* after;
    } cases[] = {
        {"old", "old\r\n7;8\r\n"},
        {"old\r", "old\r\n7;8\r\n"},
        {"old\n", "old\n7;8\r\n"},
        {"A;B\r\nx;y\r\n", "A;B\r\nx;y\r\n7;8\r\n"},
    };
    for (const auto& c : cases) {
        Write(path, c.before);
        EXPECT_EQ(Append("7;8"), c.after) << c.before;
    }
}

TEST_F(BatchFileTest, AFileThatCannotBeOpenedIsNamed) {
    std::string error;
    EXPECT_FALSE(app::BatchFile::Open(dir.path(), error).has_value()) << "a directory";
    EXPECT_NE(error.find(dir.path().string()), std::string::npos) << error;
    EXPECT_FALSE(app::BatchFile::Open(dir.path() / "no" / "such.csv", error).has_value());
    EXPECT_NE(error.find("such.csv"), std::string::npos) << error;
}

TEST_F(BatchFileTest, AnEmptyNewFileIsRemovedOnlyWhileItIsStillThatEmptyFile) {
    bool created = false;
    app::FileFault fault;
    std::optional<app::BatchFile> first = app::BatchFile::CreateOrOpen(path, created, fault);
    ASSERT_TRUE(first && created);
    std::string error;
    std::optional<app::BatchFile> second = app::BatchFile::Open(path, error);
    ASSERT_TRUE(second) << error;
    first->CloseRemovingIfEmpty();
#if !defined(_WIN32)
    // (Windows keeps a file that another writer holds open.)
    EXPECT_FALSE(std::filesystem::exists(path));
#endif
    // A writer that had opened the removed file appends to the file now at the path.
    ASSERT_TRUE(second->AppendRecord("H1;H2", "1;2", error)) << error;
    EXPECT_EQ(Read(path), "H1;H2\r\n1;2\r\n");
    second.reset();

    // A record another writer appended, or another file put in its place, stays.
    const std::filesystem::path third = dir.path() / "third.csv";
    std::optional<app::BatchFile> appendedTo = app::BatchFile::CreateOrOpen(third, created, fault);
    ASSERT_TRUE(appendedTo && created);
    ASSERT_TRUE(app::BatchFile::Open(third, error)->AppendRecord("", "5;6", error)) << error;
    appendedTo->CloseRemovingIfEmpty();
    EXPECT_EQ(Read(third), "5;6\r\n");
#if !defined(_WIN32)
    const std::filesystem::path other = dir.path() / "other.csv";
    std::optional<app::BatchFile> replaced = app::BatchFile::CreateOrOpen(other, created, fault);
    ASSERT_TRUE(replaced && created);
    Write(dir.path() / "replacement.csv", "kept\r\n");
    std::filesystem::rename(dir.path() / "replacement.csv", other);
    replaced->CloseRemovingIfEmpty();
    EXPECT_EQ(Read(other), "kept\r\n");
#endif
}

// Whole batch runs against the fake adapter: FormCreate, the dispatch, FormDestroy.
class BatchRunTest : public fake::AdapterTest {
  protected:
    int Run(const std::vector<std::string>& args) {
        return app::RunBatch(args, dir.exePath(), clock,
                             [this](const std::string& m) { errors.push_back(m); });
    }
    // The frames after the identification check's one read.
    std::vector<std::string> ActionFrames() const {
        std::vector<std::string> frames = adapter.Frames();
        frames.erase(frames.begin(), frames.begin() + 3);
        return frames;
    }
    std::string Csv() const { return (dir.path() / "out.csv").string(); }

    qxtest::TempDir dir;
    std::vector<std::string> errors;
};

TEST_F(BatchRunTest, AsensAppendsTheReadoutLine) {
    adapter.answers = {0x08E2, 0x1000, 0x0100, 0xC005, 0x0064, 0x07D0};
    EXPECT_EQ(Run({"-asens", Csv()}), 0);
    EXPECT_EQ(Read(Csv()), "OutY;OutX;Zout;ANGLE_OUT;AMPLITUDE\r\n-4096;256;5;100;2000\r\n");
    EXPECT_THAT(errors, IsEmpty());
    EXPECT_EQ(adapter.log.back(), "close") << "the channel is closed on the way out";
    EXPECT_TRUE(std::filesystem::exists(dir.path() / "config.ini"));
}

TEST_F(BatchRunTest, AsensAngleAppendsTheAngleLineWithoutPause) {
    adapter.answers = {0x08E2, 0x8A2B};
    EXPECT_EQ(Run({"-asensangle", Csv()}), 0);
    EXPECT_EQ(Read(Csv()),
              "Data(hex);ANGLE_DIG_CORR_OUT[12:0];ADC;LOW_SPEED;CRC\r\n8A2B;2603;0;0;1\r\n");
    EXPECT_THAT(ActionFrames(), ElementsAre("read 8A 2B"));
}

struct ChipFailure {
    const char* name;
    uint16_t idle;
    int code;
};

class BatchWithoutChip : public BatchRunTest, public ::testing::WithParamInterface<ChipFailure> {};

TEST_P(BatchWithoutChip, ActionsDoNotRunAndTheCodeSaysWhy) {
    adapter.idle = GetParam().idle;
    for (const std::vector<std::string>& args : {std::vector<std::string>{"-asens", Csv()},
                                                 {"-asensangle", Csv()},
                                                 {"-setparam", "33", "5"}}) {
        adapter.log.clear();
        errors.clear();
        EXPECT_EQ(Run(args), GetParam().code) << args[0];
        EXPECT_THAT(errors, SizeIs(1)) << args[0];
        for (const std::string& frame : adapter.Frames()) {
            EXPECT_TRUE(frame == "write 4F 00" || frame == "write 00 00" ||
                        frame.rfind("sleep", 0) == 0 || frame.rfind("read", 0) == 0)
                << args[0] << ": " << frame;
        }
    }
    EXPECT_FALSE(std::filesystem::exists(Csv())) << "nothing appended";
}

INSTANTIATE_TEST_SUITE_P(Cases, BatchWithoutChip,
                         ::testing::Values(ChipFailure{"NothingAnswers", 0xFFFF, 3},
                                           ChipFailure{"NotIdentified", 0x0000, 4}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(BatchRunTest, SetParamWritesOneRegister) {
    const struct {
        std::vector<std::string> args;
        std::vector<std::string> frames;
    } cases[] = {
        {{"-setparam", "31", "$1234"},
         {"write BE 00", "write 00 00", "write 3E 00", "write 12 34", "write FE 00",
          "write 00 00"}},
        {{"-setparam", "33", "0x1234"}, {"write 42 00", "write 12 34"}},
        {{"-setparam", " 39", "-1"}, {"write 4E 00", "write FF FF"}},
        {{"-setparam", "0", "-32768"},
         {"write 80 00", "write 00 00", "write 00 00", "write 80 00", "write FE 00",
          "write 00 00"}},
        {{"-setparam", "x21", "65535"}, {"write 42 00", "write FF FF"}},
    };
    for (const auto& c : cases) {
        adapter.log.clear();
        adapter.answers = {0x08E2};
        EXPECT_EQ(Run(c.args), 0) << c.args[1];
        EXPECT_EQ(ActionFrames(), c.frames) << c.args[1] << " " << c.args[2];
    }
    EXPECT_THAT(errors, IsEmpty());
}

TEST_F(BatchRunTest, SetParamRefusesBadOperandsAndWritesNothing) {
    const std::vector<std::vector<std::string>> cases = {
        {"-setparam", "3"},           {"-setparam", "x", "5"},
        {"-setparam", "3", "5 "},     {"-setparam", "40", "1"},
        {"-setparam", "-1", "1"},     {"-setparam", "3", "65536"},
        {"-setparam", "3", "-32769"}, {"-setparam", "", "1"},
        {"-setparam", "3", "1.0"},    {"-setparam", "$FFFFFFFF", "0"},
    };
    for (const std::vector<std::string>& args : cases) {
        adapter.log.clear();
        adapter.answers = {0x08E2};
        errors.clear();
        EXPECT_EQ(Run(args), 2) << args[1];
        EXPECT_THAT(errors, SizeIs(1)) << args[1];
        EXPECT_THAT(ActionFrames(), IsEmpty()) << args[1];
    }
}

TEST_F(BatchRunTest, UnwritableOutputFileGivesOneAndReadsNoRegister) {
    adapter.answers = {0x08E2};
    EXPECT_EQ(Run({"-asens", dir.path().string()}), 1);
    EXPECT_THAT(errors, SizeIs(1));
    EXPECT_THAT(ActionFrames(), IsEmpty());
}

TEST_F(BatchRunTest, StoredConnectReadsGroupsOneToThreeBeforeTheAction) {
    Write(dir.path() / "config.ini", "[CONFIG]\nConnectActive=1\n");
    adapter.idle = 0x08E2;
    EXPECT_EQ(Run({"-asensangle", Csv()}), 0);
    std::vector<int> reads;
    for (const std::string& frame : adapter.Frames()) {
        if (frame.rfind("write", 0) == 0) {
            const int command = std::stoi(frame.substr(6, 2), nullptr, 16);
            if (command & 1) reads.push_back(command >> 1);
        }
    }
    EXPECT_THAT(reads, ElementsAre(39,                         // switch-on identification
                                   1, 2, 3, 4, 5, 16,          // group 1
                                   6, 11, 12, 13, 14, 15, 16,  // group 2
                                   1, 3, 7, 8, 16,             // group 3
                                   39));                       // batch identification
    EXPECT_EQ(adapter.Frames().back(), "read 08 E2") << "then the angle word";
    EXPECT_NE(Read(dir.path() / "config.ini").find("ConnectActive=1"), std::string::npos);
}

}  // namespace
