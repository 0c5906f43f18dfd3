// Faults of the adapter and the chip in batch runs: every run ends (no hang, no crash) with
// the documented exit code and one stderr line naming the problem, and appends nothing it
// did not read from a chip.
#include <gtest/gtest.h>

#include "tests/faults/tool_run.h"

namespace faults {
namespace {

constexpr const char* kNoChip =
    "qx5520: no chip answers (the data line reads all ones); nothing done\n";
constexpr const char* kNotIdentified =
    "qx5520: the chip is not identified (register 39 is not 0x08E2); nothing done\n";
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
                     std::string(kNoLibrary) + kNotIdentified},
        AdapterFault{"LibraryLackingOpenChannel", "", "partial_no_open", "-asens", 4,
                     std::string(kNoOpenChannel) + kNotIdentified},
        AdapterFault{"LibraryLackingWriteGPIO", "", "partial_no_gpio", "-asensangle", 4,
                     std::string(kNoFunction) + kNotIdentified},
        AdapterFault{"LibraryLackingRead", "", "partial_no_read", "-setparam", 4,
                     std::string(kNoFunction) + kNotIdentified},
        AdapterFault{"NoAdapterChannel", "channels=0\n", "", "-asens", 4, kNotIdentified},
        AdapterFault{"ChipAbsent", "chip=absent\n", "", "-asens", 3, kNoChip},
        AdapterFault{"ChipAbsentAngle", "chip=absent\n", "", "-asensangle", 3, kNoChip},
        AdapterFault{"ChipAbsentSetParam", "chip=absent\n", "", "-setparam", 3, kNoChip},
        AdapterFault{"ChipSilent", "chip=silent\n", "", "-asens", 4, kNotIdentified},
        AdapterFault{"WrongIdentification", "id=0x08E3\n", "", "-asensangle", 4, kNotIdentified},
        AdapterFault{"IdentificationBitStuckLow", "stuck_low.39=0x0002\n", "", "-setparam", 4,
                     kNotIdentified},
        AdapterFault{"SsiModeStoredInChip", "reg.16=0x0800\n", "", "-asens", 3, kNoChip},
        AdapterFault{"UnpluggedBeforeIdentification", "vanish_after=0\n", "", "-asens", 4,
                     kNotIdentified},
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

}  // namespace
}  // namespace faults
