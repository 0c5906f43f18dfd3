// Faults as the window shows them, on the offscreen platform against the virtual chip: the
// state text and indicators of a chip that does not answer, a log file on a full disk during
// the periodic angle readout, and an adapter unplugged while the readout runs.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include "tests/faults/tool_run.h"
#include "tests/ui/virtual_chip_window.h"
#include "ui/work_page.h"

namespace faults {
namespace {

using window_test::VirtualChipWindow;

struct ChipFault {
    const char* name;
    const char* scenario;
    const char* state;
    bool allLit;
};

class WindowChipFault : public VirtualChipWindow, public testing::WithParamInterface<ChipFault> {};

TEST_P(WindowChipFault, FirstSupervisionTickShowsTheStateAndIndicators) {
    Use(GetParam().scenario);
    WriteFile(dir_ / "config.ini", "[CONFIG]\nConnectActive=1\n");
    Open();
    EXPECT_EQ(Find<QLabel>("LabelConnectState")->text(), "unknown");
    ASSERT_TRUE(
        ProcessUntil([&] { return Find<QLabel>("LabelConnectState")->text() != "unknown"; }, 4000));
    EXPECT_EQ(Find<QLabel>("LabelConnectState")->text(), GetParam().state);
    for (const char* name : {"rbEML", "rbOFC_READY", "rbCONV_READY", "rbELOAD_READY", "rbLOW_SPEED",
                             "rbOTR_Y", "rbOTR_X"}) {
        EXPECT_EQ(Find<QRadioButton>(name)->isChecked(), GetParam().allLit) << name;
    }
    EXPECT_TRUE(messages.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Faults, WindowChipFault,
    testing::Values(ChipFault{"ChipAbsent", "chip=absent\n", "not connected", true},
                    ChipFault{"ChipSilent", "chip=silent\n", "not identified", false},
                    // No channel: no transfer completes, so no chip is there to be seen.
                    ChipFault{"NoAdapterChannel", "channels=0\n", "not connected", true}),
    [](const testing::TestParamInfo<ChipFault>& info) { return info.param.name; });

TEST_F(VirtualChipWindow, LogOnAFullDiskStopsTheReadoutWithOneErrorMessage) {
    Use("angle_word=0x0A2B\n");
    Open();
    ui::WorkPage& work = *window->tsWork;
    work.EditAngleDataFile->setText("/dev/full");
    work.cbSaveToFile->setChecked(true);
    work.EditAngleWorkDataInt->setText("1");
    work.BtnStartAngleWrkData->click();
    ProcessUntil([] { return false; }, 200);

    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].icon, QMessageBox::Critical);
    EXPECT_TRUE(messages[0].text.contains("/dev/full")) << messages[0].text.toStdString();
    EXPECT_TRUE(messages[0].text.contains("No space left on device"))
        << messages[0].text.toStdString();
    // The tick ended at the log: no count step, no re-arm, the button still says stop.
    EXPECT_EQ(work.AngleTickCount, 0u);
    EXPECT_FALSE(work.TimerWorkData->isActive());
    EXPECT_EQ(work.BtnStartAngleWrkData->text(), "Stop");
}

TEST_F(VirtualChipWindow,
       AdapterUnpluggedDuringTheReadoutStopsItWithOneMessageAndLogsNoMadeUpLine) {
    Use("angle_word=0x0A2B\nvanish_after=20\n");
    Open();
    ui::WorkPage& work = *window->tsWork;
    const std::filesystem::path log = dir_ / "angle.csv";
    work.EditAngleDataFile->setText(QString::fromStdString(log.string()));
    work.cbSaveToFile->setChecked(true);
    work.EditAngleWorkDataInt->setText("1");
    const uint64_t failedBefore = window->context.chip->FailedTransfers();
    work.BtnStartAngleWrkData->click();
    ASSERT_TRUE(ProcessUntil([&] { return !messages.empty(); }, 5000));
    ProcessUntil([] { return false; }, 100);

    EXPECT_GT(window->context.chip->FailedTransfers(), failedBefore);  // the adapter did go away
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].icon, QMessageBox::Critical);
    EXPECT_TRUE(messages[0].text.contains("did not complete a transfer (unplugged?)"))
        << messages[0].text.toStdString();
    EXPECT_FALSE(work.TimerWorkData->isActive());
    // Every logged line and every point is a word the chip sent.
    const std::string text = ReadFile(log);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), long(work.AngleTickCount) + 1);
    EXPECT_GT(work.AngleTickCount, 0u);
    EXPECT_EQ(text.find("0000;0;0;0;0"), std::string::npos);
    EXPECT_EQ(text.substr(text.size() - 19), "\r\n0A2B;2603;0;0;0\r\n");
}

}  // namespace
}  // namespace faults
