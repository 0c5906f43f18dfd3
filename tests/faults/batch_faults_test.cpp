// Faults of the adapter and the chip in batch runs: every run ends (no hang, no crash) with
// the documented exit code and one stderr line naming the problem, and appends nothing it
// did not read from a chip.
#include <gtest/gtest.h>

#include <cstdio>
#include <utility>
#include <vector>

#include "sim/chip_model.h"
#include "tests/faults/tool_run.h"

namespace faults {
namespace {

constexpr const char* kNoChip =
    "qx5520: no chip answers (the data line reads all ones); nothing done\n";
constexpr const char* kNoLibraryBound =
    "qx5520: no adapter library is bound (libMPSSE.so is missing or incomplete); the chip is not "
    "identified; nothing done\n";
constexpr const char* kNoChannel =
    "qx5520: no adapter channel could be opened (is the adapter plugged in?); the chip is not "
    "identified; nothing done\n";
constexpr const char* kLostBeforeIdentification =
    "qx5520: the adapter did not complete a transfer (unplugged?); the chip is not identified; "
    "nothing done\n";
std::string Answers(const char* word) {
    return std::string("qx5520: register 39 answers ") + word +
           ", not 0x08E2; the chip is not identified; nothing done\n";
}
constexpr const char* kTransferFailed =
    "qx5520: the adapter did not complete a transfer (unplugged?); nothing done\n";
constexpr const char* kNoLibrary = "qx5520: Библиотека не была загружена\n";
constexpr const char* kNoOpenChannel = "qx5520: Функция SPI_OpenChannel не найдена в DLL\n";
constexpr const char* kNoFunction = "qx5520: Функция не найдена в DLL\n";

struct AdapterFault {
    const char* name;
    const char* scenario;  // [sim] keys
    const char* library;   // "": the virtual chip beside the tool; "none": no library at all;
                           // else a partial adapter library of this folder's build
    const char* action;    // -asens, -asensangle or -setparam
    int code;
    std::string err;  // stderr, exactly
};

std::string LibraryPath(const std::string& name) {
    return std::string(QX_PARTIAL_LIBRARY_DIR) + "/lib" + name + ".so";
}

class BatchAdapterFault : public testing::TestWithParam<AdapterFault> {};

TEST_P(BatchAdapterFault, EndsWithItsCodeAndMessageAndAppendsNothing) {
    const AdapterFault& fault = GetParam();
    const std::string library = fault.library;
    ToolFolder tool(library != "none");
    tool.Scenario(fault.scenario);
    // A file that already holds a reading: it must keep it, byte for byte.
    const std::string before = "OutY;OutX;Zout;ANGLE_OUT;AMPLITUDE\r\n1;2;3;4;5\r\n";
    WriteFile(tool / "out.csv", before);

    std::vector<std::string> args = {fault.action};
    if (std::string(fault.action) == "-setparam") {
        args.insert(args.end(), {"3", "$1234"});
    } else {
        args.push_back((tool / "out.csv").string());
    }
    std::vector<std::string> environment;
    if (!library.empty() && library != "none") {
        environment.push_back("QX5520_ADAPTER_LIBRARY=" + LibraryPath(library));
    }
    const RunResult run = tool.Run(args, environment);

    EXPECT_EQ(run.code, fault.code);
    EXPECT_EQ(run.err, fault.err);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(ReadFile(tool / "out.csv"), before);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, BatchAdapterFault,
    testing::Values(
        AdapterFault{"NoAdapterLibrary", "", "none", "-asens", 4,
                     std::string(kNoLibrary) + kNoLibraryBound},
        AdapterFault{"LibraryLackingOpenChannel", "", "partial_no_open", "-asens", 4,
                     std::string(kNoOpenChannel) + kNoLibraryBound},
        AdapterFault{"LibraryLackingWriteGPIO", "", "partial_no_gpio", "-asensangle", 4,
                     std::string(kNoFunction) + kNoLibraryBound},
        AdapterFault{"LibraryLackingRead", "", "partial_no_read", "-setparam", 4,
                     std::string(kNoFunction) + kNoLibraryBound},
        AdapterFault{"NoAdapterChannel", "channels=0\n", "", "-asens", 4, kNoChannel},
        AdapterFault{"ChipAbsent", "chip=absent\n", "", "-asens", 3, kNoChip},
        AdapterFault{"ChipAbsentAngle", "chip=absent\n", "", "-asensangle", 3, kNoChip},
        AdapterFault{"ChipAbsentSetParam", "chip=absent\n", "", "-setparam", 3, kNoChip},
        AdapterFault{"ChipSilent", "chip=silent\n", "", "-asens", 4, Answers("0x0000")},
        AdapterFault{"WrongIdentification", "id=0x08E3\n", "", "-asensangle", 4, Answers("0x08E3")},
        AdapterFault{"IdentificationBitStuckLow", "stuck_low.39=0x0002\n", "", "-setparam", 4,
                     Answers("0x08E0")},
        AdapterFault{"SsiModeStoredInChip", "reg.16=0x0800\n", "", "-asens", 3, kNoChip},
        AdapterFault{"UnpluggedBeforeIdentification", "vanish_after=0\n", "", "-asens", 4,
                     kLostBeforeIdentification},
        // Identification takes two transfers, -asens ten more, -asensangle one, -setparam six.
        AdapterFault{"UnpluggedDuringRegisterReads", "vanish_after=7\n", "", "-asens", 1,
                     kTransferFailed},
        AdapterFault{"UnpluggedBeforeLastRegisterRead", "vanish_after=11\n", "", "-asens", 1,
                     kTransferFailed},
        AdapterFault{"UnpluggedBeforeAngleRead", "vanish_after=2\n", "", "-asensangle", 1,
                     kTransferFailed},
        AdapterFault{"UnpluggedDuringConfigurationWrite", "vanish_after=5\n", "", "-setparam", 1,
                     kTransferFailed}),
    [](const testing::TestParamInfo<AdapterFault>& info) { return info.param.name; });

TEST(BatchAdapterFault, FailedRunLeavesNoNewFile) {
    for (const char* action : {"-asens", "-asensangle"}) {
        ToolFolder tool;
        tool.Scenario("vanish_after=2\n");  // just after the identification
        const RunResult run = tool.Run({action, (tool / "new.csv").string()});
        EXPECT_EQ(run.code, 1) << action;
        EXPECT_FALSE(std::filesystem::exists(tool / "new.csv")) << action;
    }
}

TEST(BatchAdapterFault, UnpluggedJustAfterTheLastTransferStillLogsTheReading) {
    ToolFolder tool;
    tool.Scenario("vanish_after=12\nreg.34=1\nreg.35=2\nreg.36=3\nreg.37=4\nreg.38=5\n");
    const RunResult run = tool.Run({"-asens", (tool / "out.csv").string()});
    EXPECT_EQ(run.code, 0);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(ReadFile(tool / "out.csv"), "OutY;OutX;Zout;ANGLE_OUT;AMPLITUDE\r\n1;2;3;4;5\r\n");
}

TEST(BatchAdapterFault, ScenarioWithBadKeysIsReportedAndTheRestApplies) {
    ToolFolder tool;
    tool.Scenario("bogus=1\nreg.41=1\nreg.34=7\nreg.35=0\nreg.36=0\nreg.37=0\nreg.38=0\n");
    const RunResult run = tool.Run({"-asens", (tool / "out.csv").string()});
    EXPECT_EQ(run.code, 0);
    EXPECT_NE(run.err.find("[sim] bogus = 1: unknown key; ignored"), std::string::npos) << run.err;
    EXPECT_EQ(ReadFile(tool / "out.csv"), "OutY;OutX;Zout;ANGLE_OUT;AMPLITUDE\r\n7;0;0;0;0\r\n");
}

TEST(BatchAdapterFault, ScenarioFileThatIsAFolderGivesDefaultsAndOneLine) {
    ToolFolder tool;
    std::filesystem::create_directory(tool / "scenario.ini");
    const RunResult run = tool.Run({"-asensangle", (tool / "out.csv").string()});
    EXPECT_EQ(run.code, 0);
    EXPECT_EQ(run.err, "QX5520 virtual chip: cannot read scenario file " +
                           (tool / "scenario.ini").string() + "; defaults used\n");
    EXPECT_EQ(ReadFile(tool / "out.csv").rfind("Data(hex);", 0), 0u);
}

// The 33 registers the chip stores (0-31 and 33), each with a word of its own that differs
// from its power-up value once the chip has dropped the bits it does not keep.
std::vector<std::pair<int, uint16_t>> OneWordPerRegister() {
    sim::ChipModel chip{sim::ChipOptions{}};
    chip.PowerUp();
    const sim::ChipModel::RegisterFile powerUp = chip.Registers();
    std::vector<std::pair<int, uint16_t>> words;
    for (int address = 0; address < 34; ++address) {
        if (address == 32) continue;  // the status register
        for (uint16_t word = uint16_t(0x1357 + 0x0F1D * address);; word = uint16_t(word + 0x2469)) {
            if (address == 16) word &= uint16_t(~0x0800);  // never SSI_MODE
            sim::ChipModel::RegisterFile file = powerUp;
            file[address] = word;
            chip.LoadRegisters(file);
            if (chip.Registers()[address] != powerUp[address]) {
                words.emplace_back(address, chip.Registers()[address]);
                break;
            }
        }
    }
    return words;
}

TEST(BatchSideBySide, FortyRunsAtOnceLoseNoWriteAndKeepEveryLineOfTheSettingsFile) {
    ToolFolder tool;
    tool.Scenario("state=" + (tool / "chip.state").string() + "\n");
    // Every run saves the five keys on its way out, with the values it read at its start.
    const std::string settings =
        "; QX5520 settings\r\n"
        "[Other]\r\n"
        "B = two words \r\n"
        "a line without equals\r\n"
        "\r\n"
        "[CONFIG]\r\n"
        "SaveAngleDataFile=" +
        (tool / "angle data.csv").string() +
        "\r\n"
        "SaveAngleDataToFile=1\r\n"
        "SaveChartDataToFile=1\r\n"
        "ConnectActive=0\r\n"
        "Enable_SSI=1\r\n"
        "; after the keys\r\n"
        "\r\n"
        "[Tail]\r\n"
        "last=line\r\n";
    WriteFile(tool / "config.ini", settings);

    // One shell starts the forty runs together and waits for all of them; each leaves its
    // exit code and its output in files of its own. The first 33 each write a register of
    // their own into the one virtual chip; the other seven read the chip meanwhile.
    const std::vector<std::pair<int, uint16_t>> words = OneWordPerRegister();
    ASSERT_EQ(words.size(), 33u);
    constexpr int kRuns = 40;
    std::string command = "cd '" + tool.dir().path().string() + "' && export QX5520_SIM='" +
                          (tool / "scenario.ini").string() + "' || exit 1;";
    for (int run = 1; run <= kRuns; ++run) {
        const std::string action = run <= int(words.size())
                                       ? "-setparam " + std::to_string(words[run - 1].first) + " " +
                                             std::to_string(words[run - 1].second)
                                       : "-asens read" + std::to_string(run) + ".csv";
        command += " (timeout 60 ./qx5520 " + action + " >run" + std::to_string(run) +
                   ".out 2>run" + std::to_string(run) + ".err </dev/null; echo $? >code" +
                   std::to_string(run) + ") &";
    }
    command += " wait";
    ASSERT_EQ(std::system(command.c_str()), 0);
    for (int run = 1; run <= kRuns; ++run) {
        const std::string number = std::to_string(run);
        EXPECT_EQ(ReadFile(tool / ("code" + number)), "0\n") << "run " << run;
        EXPECT_EQ(ReadFile(tool / ("run" + number + ".err")), "") << "run " << run;
    }

    // Every run's write is in the chip's register file: none was lost to another's.
    const std::string state = ReadFile(tool / "chip.state");
    for (const auto& [address, word] : words) {
        char line[32];
        std::snprintf(line, sizeof line, "reg.%d = 0x%04X\n", address, word);
        EXPECT_NE(state.find(line), std::string::npos) << line << "is lost from\n" << state;
    }
    // No key lost, no line torn, doubled or moved: the file is as it was, byte for byte.
    EXPECT_EQ(ReadFile(tool / "config.ini"), settings);
    // And no temporary file is left beside either.
    for (const auto& entry : std::filesystem::directory_iterator(tool.dir().path())) {
        EXPECT_NE(entry.path().extension(), ".tmp") << entry.path();
    }
}

}  // namespace
// One cause, one code: an adapter lost while a stored ConnectActive switches the exchange on
// reads the same as one lost before the action's own identification.
TEST(BatchAdapterFault, UnpluggedDuringTheStoredSwitchOnIsNotIdentified) {
    ToolFolder tool;
    tool.Scenario("vanish_after=4\n");  // the identification, then one register of group 1
    WriteFile(tool / "config.ini", "[CONFIG]\nConnectActive=1\n");
    const RunResult run = tool.Run({"-asens", (tool / "out.csv").string()});
    EXPECT_EQ(run.code, 4) << run.err;
    EXPECT_NE(run.err.find("the chip is not identified; nothing done"), std::string::npos)
        << run.err;
    EXPECT_FALSE(std::filesystem::exists(tool / "out.csv"));
}

// A flipped SSI_MODE bit read back from register 16 is not written back with REF: the chip
// would no longer answer over SPI.
TEST(BatchAdapterFault, ABitReadBackAsSsiModeIsNotWrittenWithTheOtherFields) {
    ToolFolder tool;
    tool.Scenario("stuck_high.16=0x0800\nstate=chip.state\n");
    WriteFile(tool / "ref.ini", "[QX5520]\nREF=2\n");
    const RunResult load = tool.Run({"-loadconfig", (tool / "ref.ini").string()});
    EXPECT_EQ(load.code, 2);
    EXPECT_NE(load.err.find("writing REF would send that bit"), std::string::npos) << load.err;
    EXPECT_NE(load.err.find("nothing written"), std::string::npos) << load.err;
    const RunResult after = tool.Run({"-asens", (tool / "out.csv").string()});
    EXPECT_EQ(after.code, 0) << "the chip still answers over SPI: " << after.err;
}

// The reads before any write fail: nothing was written, and the message says so.
TEST(BatchAdapterFault, LoadConfigLostBeforeAnyWriteSaysNothingWasWritten) {
    ToolFolder tool;
    tool.Scenario("vanish_after=6\n");
    WriteFile(tool / "gain.ini", "[QX5520]\nGA_X=3\n");
    const RunResult run = tool.Run({"-loadconfig", (tool / "gain.ini").string()});
    EXPECT_EQ(run.code, 1);
    EXPECT_EQ(run.err, kTransferFailed);
}

}  // namespace faults
