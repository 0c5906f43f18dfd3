#include "app/config/config_workflow.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <numeric>
#include <string>
#include <vector>

#include "app/config/chip_id.h"
#include "app/config/config_report.h"

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "app/readings/transfer_check.h"
#include "tests/app/temp_dir.h"
#include "tests/fake_chip.h"

namespace app {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

int SettableCount() {
    int count = 0;
    for (const ConfigField& field : kConfigFields) count += IsSettable(field) ? 1 : 0;
    return count;
}

class ConfigWorkflow : public ::testing::Test {
  protected:
    void SetUp() override {
        fake::Install(chip_);
        chip_.registers[1] = 0x0803;   // FREQG 1, T_CURR 3
        chip_.registers[2] = 0x6123;   // GA_X 12, OA_X 9
        chip_.registers[3] = 0x2000;   // SDIS
        chip_.registers[16] = 0x0031;  // ADCNT 3, AOC_EN
        chip_.registers[33] = 0x5300;  // ATST0_SET 5, DTST_SET 3
    }
    void TearDown() override { fake::active = nullptr; }

    HeadlessFieldControl& C(std::string_view name) { return controls_.Control(name); }
    void Run(ChipJob& job) { JobRunner(job).RunAll(dig_); }
    void ReadAll() {
        ReadAllJob read(controls_);
        Run(read);
        chip_.ClearRecord();
    }

    fake::Chip chip_;
    fake::Clock clock_;
    chip::Adapter channel_;
    chip::TASensDig dig_{channel_, clock_};
    HeadlessFieldControls controls_;
};

TEST_F(ConfigWorkflow, ReadAllReadsEveryRegisterInOrderAndShowsEveryField) {
    ReadAllJob read(controls_);
    JobRunner runner(read);
    for (int step = 0; step < chip::kRegisterCount - 1; ++step) ASSERT_FALSE(runner.Tick(dig_));
    EXPECT_EQ(C("EditGA_X").Text(), "0") << "the fields are shown once all is read";
    EXPECT_TRUE(runner.Tick(dig_));
    std::vector<int> all(chip::kRegisterCount);
    std::iota(all.begin(), all.end(), 0);
    EXPECT_EQ(chip_.reads, all);
    EXPECT_EQ(C("EditGA_X").Text(), "12");
    EXPECT_EQ(C("EditOA_X").Text(), "9");
    EXPECT_EQ(C("EditFREQG").Text(), "1");
    EXPECT_TRUE(C("cbSDIS").Checked());
    EXPECT_EQ(C("cbADCNT").ItemIndex(), 3);
    EXPECT_EQ(C("EditATST0_SET").Text(), "5");
    for (const ConfigField& field : kConfigFields) {
        EXPECT_EQ(C(field.control()).LastVerdict(), Verdict::Green) << field.key;
    }
    EXPECT_TRUE(dig_.Slot(2).Actual);
    EXPECT_EQ(dig_.Slot(2).DevValue, 0x6123);
}

TEST_F(ConfigWorkflow, AFailedReadShowsWhatWasReadAndPaintsItsFieldsRed) {
    chip_.failAfter = 6;  // registers 0-2 answer, register 3 does not
    ReadAllJob read(controls_);
    JobRunner runner(read);
    EXPECT_THROW(
        {
            while (!runner.Tick(dig_)) {
            }
        },
        TransferFailure);
    EXPECT_TRUE(runner.Over());
    EXPECT_EQ(C("EditGA_X").Text(), "12");
    EXPECT_EQ(C("EditGA_X").LastVerdict(), Verdict::Green);
    EXPECT_EQ(C("EditOA_Y").LastVerdict(), Verdict::Red);
    EXPECT_EQ(C("cbSDIS").LastVerdict(), Verdict::Red);
    EXPECT_EQ(C("EditZERO_POS").LastVerdict(), Verdict::Layout) << "never reached";
}

TEST_F(ConfigWorkflow, AStoppedReadShowsTheRegistersReadSoFar) {
    ReadAllJob read(controls_);
    JobRunner runner(read);
    for (int step = 0; step < 3; ++step) runner.Tick(dig_);
    runner.Stop();
    runner.Stop();
    EXPECT_TRUE(runner.Over());
    EXPECT_TRUE(runner.Tick(dig_)) << "a stopped job runs no further step";
    EXPECT_THAT(chip_.reads, ElementsAre(0, 1, 2));
    EXPECT_EQ(C("EditGA_X").Text(), "12");
    EXPECT_EQ(C("cbSDIS").LastVerdict(), Verdict::Layout);
}

TEST_F(ConfigWorkflow, TheRoundTripThroughAFileWritesNothing) {
    ReadAll();
    const ControlValues saved = ValuesOfControls(controls_);
    ASSERT_THAT(saved.errors, IsEmpty());
    ASSERT_EQ(static_cast<int>(saved.values.size()), SettableCount());
    const ParsedConfiguration loaded = ParseConfiguration(ConfigurationText(saved.values, {}));
    ASSERT_THAT(loaded.errors, IsEmpty());
    EXPECT_EQ(loaded.values, saved.values);

    EXPECT_EQ(ApplyValues(loaded.values, controls_), 0);
    WriteAllJob write(controls_, loaded.values);
    Run(write);
    EXPECT_EQ(write.Summary().unchanged, SettableCount());
    EXPECT_EQ(write.Summary().verified, 0);
    EXPECT_THAT(chip_.configWrites, IsEmpty());
    EXPECT_THAT(chip_.plainWrites, IsEmpty());
    EXPECT_THAT(chip_.frames, IsEmpty()) << "every word was known from the read";
}

TEST_F(ConfigWorkflow, LoadedValuesTurnTheChangedFieldsGreyAndWriteAllPutsThemInTheChip) {
    ReadAll();
    ControlValues values = ValuesOfControls(controls_);
    for (FieldValue& value : values.values) {
        if (value.field->key == "GA_X") value.value = 5;
        if (value.field->key == "SDIS") value.value = 0;
        if (value.field->key == "ADCNT") value.value = 1;
    }
    EXPECT_EQ(ApplyValues(values.values, controls_), 3);
    EXPECT_EQ(C("EditGA_X").Text(), "5");
    EXPECT_EQ(C("EditGA_X").LastVerdict(), Verdict::Grey);
    EXPECT_FALSE(C("cbSDIS").Checked());
    EXPECT_EQ(C("cbADCNT").ItemIndex(), 1);
    EXPECT_EQ(C("EditOA_X").LastVerdict(), Verdict::Green) << "unchanged fields keep their colour";
    EXPECT_THAT(chip_.frames, IsEmpty()) << "loading writes nothing";

    C("EditOA_X").SetText("typed meanwhile");  // the job writes the values it was given
    WriteAllJob write(controls_, values.values);
    Run(write);
    EXPECT_EQ(write.Summary().verified, 3);
    EXPECT_EQ(write.Summary().unchanged, SettableCount() - 3);
    EXPECT_THAT(write.Summary().mismatched, IsEmpty());
    EXPECT_EQ(chip_.registers[2], 0x2923);
    EXPECT_EQ(chip_.registers[3], 0x0000);
    EXPECT_EQ(chip_.registers[16], 0x0011);
    EXPECT_EQ(C("EditGA_X").LastVerdict(), Verdict::Green);
    EXPECT_EQ(C("EditOA_X").Text(), "9");
}

TEST_F(ConfigWorkflow, SsiModeIsWrittenLastSoThatEveryOtherFieldStillReachesTheChip) {
    ReadAll();
    ControlValues values = ValuesOfControls(controls_);
    for (FieldValue& value : values.values) {
        if (value.field->key == "SSI_MODE" || value.field->key == "DTSTO_DIS") value.value = 1;
    }
    WriteAllJob write(controls_, values.values);
    Run(write);
    EXPECT_THAT(chip_.configWrites, ElementsAre(3, 16))
        << "DTSTO_DIS follows SSI_MODE in the table";
}

TEST_F(ConfigWorkflow, AnSsiBitTheChipReadBackSendsSsiModeAsATickDoes) {
    chip_.stuckHigh[16] = 0x0800;  // a flipped bit: the chip still answers
    ReadAll();
    EXPECT_TRUE(C("cbSSI_MODE").Checked());
    const std::vector<FieldValue> read = ValuesOfControls(controls_).values;
    FieldValue ref = *FindValue(read, "REF");
    ref.value = 2;
    EXPECT_TRUE(SendsSsiMode(dig_, {ref})) << "REF is written over the word read back";
    EXPECT_TRUE(SsiWriteRefusal(dig_, {ref}).has_value());
    EXPECT_FALSE(SendsSsiMode(dig_, {*FindValue(read, "GA_X")})) << "another register";
    EXPECT_FALSE(SendsSsiMode(dig_, {*FindValue(read, "REF")})) << "a word the chip holds";
    FieldValue cleared = *FindValue(read, "SSI_MODE");
    cleared.value = 0;
    EXPECT_TRUE(SendsSsiMode(dig_, {cleared, ref})) << "REF goes first, with the bit read back";
    EXPECT_FALSE(SendsSsiMode(dig_, {cleared})) << "clearing the bit sends none";

    chip_.stuckHigh[16] = 0;
    ReadAll();
    EXPECT_FALSE(SendsSsiMode(dig_, {ref}));
    FieldValue ssi = *FindValue(read, "SSI_MODE");
    EXPECT_TRUE(SendsSsiMode(dig_, {ssi})) << "a tick";
}

TEST_F(ConfigWorkflow, AChipThatAnswersAllOnesAfterSsiModeIsSwitchedNotMismatched) {
    ReadAll();
    // Once SSI_MODE is in, the chip no longer answers over SPI.
    chip_.onFrame = [this] {
        if (chip_.registers[16] & 0x0800) chip_.present = false;
    };
    std::vector<FieldValue> values = ValuesOfControls(controls_).values;
    for (FieldValue& value : values) {
        if (value.field->key == "SSI_MODE") value.value = 1;
    }
    WriteAllJob write(controls_, values);
    Run(write);
    EXPECT_TRUE(write.Summary().ssiSwitched);
    EXPECT_THAT(write.Summary().mismatched, IsEmpty());
}

TEST_F(ConfigWorkflow, AFieldTheChipHoldsDifferentlyIsCountedAndNamed) {
    chip_.stuckLow[2] = 0x8000;  // the top bit of GA_X
    ReadAll();
    C("EditGA_X").SetText("17");
    WriteAllJob write(controls_, ValuesOfControls(controls_).values);
    Run(write);
    EXPECT_EQ(write.Summary().verified, 0);
    EXPECT_THAT(MismatchLines(write.Summary()), ElementsAre("GA_X: wanted 17, read 1"));
    const RegisterMapTexts texts;
    EXPECT_EQ(WriteAllReport(texts, write.Summary()),
              "Write all: 0 fields verified, " + std::to_string(write.Summary().unchanged) +
                  " unchanged (already in the chip), 1 mismatched.\nGA_X: wanted 17, read 1");
    EXPECT_EQ(StoppedNote(texts, true, 3, 9), "");
    EXPECT_EQ(StoppedNote(texts, false, 3, 9), "\nStopped after 3 of 9 steps.");
    EXPECT_EQ(C("EditGA_X").Text(), "1") << "the edit shows what the chip holds";
    EXPECT_EQ(C("EditGA_X").LastVerdict(), Verdict::Red);
}

TEST_F(ConfigWorkflow, ControlsThatHoldNoValueOfTheirFieldAreNamed) {
    C("EditGA_X").SetText("abc");
    C("EditOA_X").SetText("64");
    C("EditT_CURR").SetText(" $F");
    C("cbADCNT").SetItemIndex(-1);
    const ControlValues values = ValuesOfControls(controls_);
    EXPECT_THAT(values.errors, ElementsAre("GA_X: 'abc' is not a value of the field (0..31)",
                                           "OA_X: '64' is not a value of the field (0..63)",
                                           "ADCNT: '' is not a value of the field (0..3)"));
    EXPECT_EQ(FindValue(values.values, "GA_X"), nullptr);
    ASSERT_NE(FindValue(values.values, "T_CURR"), nullptr);
    EXPECT_EQ(FindValue(values.values, "T_CURR")->value, 15);
    EXPECT_EQ(FindValue(values.values, "AMPLITUDE"), nullptr) << "displays are not kept";
}

TEST_F(ConfigWorkflow, CompareColoursEachFieldAndChangesNoValue) {
    ReadAll();
    C("EditGA_X").SetText("5");
    C("cbSDIS").SetChecked(false);
    C("EditOA_X").SetText("x");
    CompareJob compare(controls_);
    Run(compare);
    EXPECT_TRUE(compare.Complete());
    ASSERT_EQ(compare.Different().size(), 3u);
    EXPECT_EQ(compare.Different()[0].field->key, "GA_X");
    EXPECT_EQ(compare.Different()[0].shown, "5");
    EXPECT_EQ(compare.Different()[0].held, 12);
    EXPECT_EQ(compare.Equal(), SettableCount() - 3);
    const std::string report = CompareReport(RegisterMapTexts{}, compare);
    EXPECT_EQ(report.rfind("Compare with chip: " + std::to_string(SettableCount() - 3) +
                               " fields equal, 3 different.\nGA_X: 5 / 12\n",
                           0),
              0u)
        << report;
    EXPECT_EQ(C("EditGA_X").Text(), "5");
    EXPECT_EQ(C("EditGA_X").LastVerdict(), Verdict::Red);
    EXPECT_EQ(C("EditOA_X").LastVerdict(), Verdict::Red);
    EXPECT_EQ(C("EditT_CURR").LastVerdict(), Verdict::Green);
    EXPECT_THAT(chip_.configWrites, IsEmpty());
    EXPECT_THAT(chip_.reads, ElementsAre(1, 2, 3, 4, 16, 5, 11, 14, 15, 6, 12, 13, 7, 8, 33));
}

// A saved configuration names the identifier the chip holds once the tool has read it, else
// the one the window shows, else none.
TEST_F(ConfigWorkflow, ASavedConfigurationNamesTheChipsIdentifierAsFarAsItIsKnown) {
    EXPECT_EQ(ChipIdForConfiguration(nullptr, "$00C0FFEE"), "$00C0FFEE");
    EXPECT_EQ(ChipIdForConfiguration(&dig_, "not read"), "");
    chip_.registers[9] = 0x1234;
    chip_.registers[10] = 0x5678;
    ReadChipId(dig_);
    EXPECT_EQ(ChipIdForConfiguration(&dig_, "$00C0FFEE"), "$12345678");
}

TEST_F(ConfigWorkflow, ARegisterWordIsWrittenWholeAndReadBack) {
    EXPECT_TRUE(WriteRegisterWord(dig_, 20, 0xBEEF));
    EXPECT_EQ(chip_.registers[20], 0xBEEF);
    EXPECT_THAT(chip_.configWrites, ElementsAre(20));
    EXPECT_THAT(chip_.reads, ElementsAre(20));
    chip_.stuckLow[33] = 0x0001;
    EXPECT_FALSE(WriteRegisterWord(dig_, 33, 0x0003));
    chip_.failAfter = chip_.transfers;
    EXPECT_THROW(WriteRegisterWord(dig_, 21, 1), TransferFailure);
}

TEST(ConfigFileOnDisk, SavedTextLoadsBackAndBadPathsAreNamed) {
    qxtest::TempDir dir;
    const std::filesystem::path path = dir.path() / "bench.ini";
    std::string error;
    ASSERT_TRUE(SaveConfigurationFile(path, "[QX5520]\nGA_X=3\n", error)) << error;
    const ParsedConfiguration loaded = LoadConfigurationFile(path);
    EXPECT_THAT(loaded.errors, IsEmpty());
    ASSERT_EQ(loaded.values.size(), 1u);
    EXPECT_EQ(loaded.values[0].value, 3);

    EXPECT_FALSE(SaveConfigurationFile(dir.path(), "x", error)) << "a folder";
    EXPECT_NE(error.find(dir.path().string()), std::string::npos) << error;
    EXPECT_FALSE(SaveConfigurationFile({}, "x", error));

    const ParsedConfiguration missing = LoadConfigurationFile(dir.path() / "none.ini");
    ASSERT_EQ(missing.errors.size(), 1u);
    EXPECT_NE(missing.errors[0].find("none.ini"), std::string::npos);
    std::ofstream(path) << "[QX5520]\nGA_X=99\n";
    const ParsedConfiguration bad = LoadConfigurationFile(path);
    ASSERT_EQ(bad.errors.size(), 1u);
    EXPECT_EQ(bad.errors[0].rfind(path.string() + ": GA_X=99", 0), 0u) << bad.errors[0];
}

}  // namespace
#ifndef _WIN32
// What cannot be a configuration file is named as what it is, and a save that fails says the
// system's reason.
TEST(ConfigurationFiles, WhatIsNoFileIsNamedAndAFailedSaveSaysWhy) {
    qxtest::TempDir dir;
    const std::filesystem::path folder = dir.path() / "folder.ini";
    std::filesystem::create_directory(folder);
    const std::filesystem::path pipe = dir.path() / "pipe.ini";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    const std::filesystem::path loop = dir.path() / "loop.ini";
    std::filesystem::create_symlink(loop, loop);
    const std::filesystem::path big = dir.path() / "big.ini";
    std::ofstream(big) << std::string((1u << 20) + 1, ';');
    const std::pair<std::filesystem::path, std::string> cases[] = {
        {dir.path() / "missing.ini", "no such configuration file"},
        {folder, "a folder, not a configuration file"},
        {pipe, "a pipe or socket, not a configuration file"},
        {loop, "a loop of symbolic links, not a configuration file"},
        {"/dev/zero", "a device, not a configuration file"},
        {big,
         "holds 1048577 bytes: a configuration file holds at most 1 MiB (one is about a "
         "kilobyte)"},
    };
    for (const auto& [path, why] : cases) {
        const ParsedConfiguration parsed = LoadConfigurationFile(path);
        EXPECT_THAT(parsed.errors, ElementsAre(path.string() + ": " + why));
    }
    std::string error;
    EXPECT_FALSE(SaveConfigurationFile(folder, "[QX5520]\n", error));
    EXPECT_EQ(error,
              "unable to write the configuration file " + folder.string() + ": it is a folder");
    const std::filesystem::path locked = dir.path() / "locked";
    std::filesystem::create_directory(locked);
    std::ofstream(locked / "c.ini") << "[QX5520]\n";
    std::filesystem::permissions(locked / "c.ini", std::filesystem::perms::owner_read);
    std::filesystem::permissions(
        locked, std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    if (::geteuid() != 0) {  // root writes anyway
        EXPECT_FALSE(SaveConfigurationFile(locked / "c.ini", "[QX5520]\n", error));
        EXPECT_NE(error.find(": Permission denied"), std::string::npos) << error;
    }
    std::filesystem::permissions(locked, std::filesystem::perms::owner_all);
}
#endif

// A save killed between writing its temporary file and renaming it left the file beside the
// configuration: the next save of that file takes it away.
TEST(ConfigurationFiles, TheNextSaveRemovesATemporaryFileAKilledSaveLeft) {
    qxtest::TempDir dir;
    const std::filesystem::path file = dir.path() / "bench.ini";
    const std::filesystem::path left = dir.path() / ".bench.ini.99999.0.tmp";
    const std::filesystem::path other = dir.path() / ".other.ini.99999.0.tmp";
    std::ofstream(left) << "[QX5520]\nGA_X=";
    std::ofstream(other) << "not ours";
    std::string error;
    ASSERT_TRUE(SaveConfigurationFile(file, "[QX5520]\nGA_X=3\n", error)) << error;
    EXPECT_FALSE(std::filesystem::exists(left));
    EXPECT_TRUE(std::filesystem::exists(other)) << "another file's temporary is not touched";
    EXPECT_EQ(LoadConfigurationFile(file).values.size(), 1u);
}

}  // namespace app
