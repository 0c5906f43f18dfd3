// Faults of the adapter and the chip as the window shows them: the virtual chip library is
// bound in this process, a scenario is chosen per case, and connection supervision, the
// group write-verify and the angle readout run over headless views of their controls.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "app/config/param_groups.h"
#include "app/readings/connection.h"
#include "chip/ASens_Digital.h"
#include "chip/UnitFTDI.h"
#include "chip/UnitSPI.h"
#include "sim/qx5520_sim.h"
#include "tests/faults/tool_run.h"

namespace faults {
namespace {

constexpr std::array<const char*, 7> kIndicators = {
    "rbEML", "rbOFC_READY", "rbCONV_READY", "rbELOAD_READY", "rbLOW_SPEED", "rbOTR_Y", "rbOTR_X"};

// The pause of every register read, counted instead of slept.
class CountingClock : public chip::Clock {
  public:
    void Sleep(std::chrono::milliseconds duration) override { slept += duration; }
    std::chrono::milliseconds slept{0};
};

app::LanguageTexts Texts() {
    app::LanguageTexts texts;
    texts.vChipIdentified = "identified";
    texts.vChipNotIdentified = "not identified";
    texts.vChipNotConnected = "not connected";
    texts.vChannelsFound = "channels: ";
    texts.vReadingProcess = "reading";
    texts.vWritingProcess = "writing";
    return texts;
}

// The virtual chip, bound once for the whole test program; each test picks its scenario.
class SimChip : public testing::Test {
  protected:
    static void SetUpTestSuite() {
        static TempDir dir;
        const std::filesystem::path library = dir / "libMPSSE.so";
        if (!std::filesystem::exists(library)) {
            std::filesystem::copy_file(QX_SIM_LIBRARY, library);
            ASSERT_TRUE(chip::BindAdapterLibrary(library));
        }
        void* handle = ::dlopen(library.c_str(), RTLD_NOW | RTLD_NOLOAD);
        ASSERT_NE(handle, nullptr);
        reset_ = reinterpret_cast<QX5520Sim_Reset_t>(::dlsym(handle, "QX5520Sim_Reset"));
        ASSERT_NE(reset_, nullptr);
        scenario_ = dir / "scenario.ini";
    }

    // A new adapter with a chip at power-up behind it, as in a new process.
    void Use(const std::string& keys) {
        WriteFile(scenario_, "[sim]\nnoise=0\nrpm=0.5\n" + keys);
        ::setenv("QX5520_SIM", scenario_.c_str(), 1);
        reset_();
    }

    void TearDown() override {
        asensDig.CloseSPI();
        ::unsetenv("QX5520_SIM");
    }

    std::string LitIndicators() const {
        std::string lit;
        for (const char* name : kIndicators) {
            if (view.indicators.On(name)) lit += std::string(lit.empty() ? "" : " ") + name;
        }
        return lit;
    }

    static inline QX5520Sim_Reset_t reset_ = nullptr;
    static inline std::filesystem::path scenario_;

    CountingClock clock;
    chip::Adapter channel;
    chip::TASensDig asensDig{channel, clock};
    app::LanguageTexts texts = Texts();
    app::HeadlessConnectionView view;
    app::ConnectionSupervisor supervisor{view, texts};
};

struct SupervisionFault {
    const char* name;
    const char* scenario;
    const char* channelText;  // LabelChanCnt after the switch-on
    const char* stateText;    // LabelConnectState after the first tick
    const char* lit;          // indicators on after the first tick
    bool groupsRead;          // groups 1-3 filled from the chip at switch-on
};

class Supervision : public SimChip, public testing::WithParamInterface<SupervisionFault> {};

TEST_P(Supervision, SwitchOnAndFirstTickShowTheFault) {
    const SupervisionFault& fault = GetParam();
    Use(fault.scenario);
    view.fields.Control("EditGA_X").SetText("stays");
    view.connectChecked = true;
    supervisor.cbConnectClick(asensDig);
    EXPECT_EQ(view.channelCount, fault.channelText);
    EXPECT_EQ(view.connectState, "");  // the tick sets it
    EXPECT_TRUE(view.timerEnabled);
    EXPECT_FALSE(view.busy.Shown());
    EXPECT_EQ(view.fields.Control("EditGA_X").Text() != "stays", fault.groupsRead);

    supervisor.TimerConnectTimer(asensDig);
    EXPECT_EQ(view.connectState, fault.stateText);
    EXPECT_EQ(LitIndicators(), fault.lit);
    EXPECT_TRUE(view.timerEnabled);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, Supervision,
    testing::Values(
        SupervisionFault{"Identified", "", "channels: 1", "identified",
                         "rbOFC_READY rbCONV_READY rbELOAD_READY rbLOW_SPEED", true},
        SupervisionFault{"ChipAbsent", "chip=absent\n", "channels: 1", "not connected",
                         "rbEML rbOFC_READY rbCONV_READY rbELOAD_READY rbLOW_SPEED rbOTR_Y "
                         "rbOTR_X",
                         false},
        SupervisionFault{"ChipSilent", "chip=silent\n", "channels: 1", "not identified", "", false},
        SupervisionFault{"WrongIdentification", "id=0x1234\n", "channels: 1", "not identified",
                         "rbOFC_READY rbCONV_READY rbELOAD_READY rbLOW_SPEED", false},
        // No channel: no transfer completes, which is shown as no chip at all.
        SupervisionFault{"NoAdapterChannel", "channels=0\n", "channels: 0", "not connected",
                         "rbEML rbOFC_READY rbCONV_READY rbELOAD_READY rbLOW_SPEED rbOTR_Y "
                         "rbOTR_X",
                         false},
        SupervisionFault{"SsiModeStoredInChip", "reg.16=0x0800\n", "channels: 1", "not connected",
                         "rbEML rbOFC_READY rbCONV_READY rbELOAD_READY rbLOW_SPEED rbOTR_Y "
                         "rbOTR_X",
                         false}),
    [](const testing::TestParamInfo<SupervisionFault>& info) { return info.param.name; });

TEST_F(SimChip, UnpluggedWhileSupervisedTheNextTickShowsNoChipAndNothingHangs) {
    // Switch-on: 2 transfers of identification, 36 of the group reads; the first tick 4.
    Use("vanish_after=42\n");
    view.connectChecked = true;
    supervisor.cbConnectClick(asensDig);
    supervisor.TimerConnectTimer(asensDig);
    EXPECT_EQ(view.connectState, "identified");
    const uint64_t failedBefore = asensDig.FailedTransfers();
    supervisor.TimerConnectTimer(asensDig);
    EXPECT_EQ(view.connectState, "not connected");
    EXPECT_EQ(LitIndicators(),
              "rbEML rbOFC_READY rbCONV_READY rbELOAD_READY rbLOW_SPEED rbOTR_Y rbOTR_X");
    EXPECT_GT(asensDig.FailedTransfers(), failedBefore);
    EXPECT_TRUE(view.timerEnabled);
    // Switching off still gives one more tick, then the timer stops.
    view.connectChecked = false;
    supervisor.cbConnectClick(asensDig);
    supervisor.TimerConnectTimer(asensDig);
    EXPECT_FALSE(view.timerEnabled);
}

TEST_F(SimChip, UnpluggedDuringPeriodicAngleReadoutKeepsTheLastWordAndGoesOn) {
    Use("vanish_after=10\nangle_word=0x8A2B\n");
    asensDig.Init();
    uint16_t data = 0x1111;
    uint16_t angle = 0;
    uint8_t adc = 9, ls = 9, crc = 9;
    for (int tick = 0; tick < 5; ++tick) asensDig.GetAngleData(data, angle, adc, ls, crc);
    EXPECT_EQ(data, 0x8A2B);
    // After the adapter is gone every tick still ends: the word keeps its last value.
    const auto start = std::chrono::steady_clock::now();
    for (int tick = 0; tick < 1000; ++tick) asensDig.GetAngleData(data, angle, adc, ls, crc);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_EQ(data, 0x8A2B);
    EXPECT_EQ(angle, 0x0A2B);
    EXPECT_EQ(crc, 1);
    EXPECT_EQ(ls, 0);
    EXPECT_EQ(adc, 0);
}

TEST_F(SimChip, StuckBitOutsideTheFieldPaintsItRedThoughTheFieldWasStored) {
    // Bit 0 of register 2 belongs to no field but always reads 1: GA_X, the first field of
    // register 2 written, is stored yet its register reads back differently. The word read
    // back (with the stuck bit) is the base of OA_X, which then verifies.
    Use("stuck_high.2=0x0001\n");
    asensDig.Init();
    app::HeadlessFieldControls& fields = view.fields;
    fields.Control("EditGA_X").SetText("5");
    fields.Control("EditOA_X").SetText("3");
    fields.Control("EditGA_Y").SetText("7");
    app::WriteParamGroup(asensDig, 1, fields, view.busy, texts);
    EXPECT_FALSE(view.busy.Shown());
    EXPECT_EQ(fields.Control("EditGA_X").LastVerdict(), app::Verdict::Red);
    EXPECT_EQ(fields.Control("EditOA_X").LastVerdict(), app::Verdict::Green);
    EXPECT_EQ(fields.Control("EditGA_X").Text(), "5");
    EXPECT_EQ(fields.Control("EditOA_X").Text(), "3");
    EXPECT_EQ(fields.Control("EditGA_Y").LastVerdict(), app::Verdict::Green);
    EXPECT_EQ(fields.Control("EditT_CURR").LastVerdict(), app::Verdict::Green);
}

TEST_F(SimChip, StuckLowFieldBitShowsTheValueTheChipHoldsInRed) {
    Use("stuck_low.2=0x0800\n");  // bit 11, the lowest bit of GA_X
    asensDig.Init();
    app::HeadlessFieldControls& fields = view.fields;
    fields.Control("EditGA_X").SetText("5");
    app::WriteParamGroup(asensDig, 1, fields, view.busy, texts);
    EXPECT_EQ(fields.Control("EditGA_X").LastVerdict(), app::Verdict::Red);
    EXPECT_EQ(fields.Control("EditGA_X").Text(), "4");
}

TEST_F(SimChip, SsiModeWrittenLocksSpiAndSupervisionThenShowsNoChip) {
    Use("");
    view.connectChecked = true;
    supervisor.cbConnectClick(asensDig);
    supervisor.TimerConnectTimer(asensDig);
    ASSERT_EQ(view.connectState, "identified");

    app::HeadlessFieldControls& fields = view.fields;
    fields.Control("cbSSI_MODE").SetChecked(true);
    fields.Control("cbEE_LD_EN").SetChecked(true);
    app::WriteParamGroup(asensDig, 3, fields, view.busy, texts);
    EXPECT_FALSE(view.busy.Shown());
    // The chip took SSI mode and no longer answers over SPI: the read-back is all ones.
    EXPECT_EQ(fields.Control("cbSSI_MODE").LastVerdict(), app::Verdict::Red);
    EXPECT_EQ(fields.Control("cbEE_LD_EN").LastVerdict(), app::Verdict::Red);

    supervisor.TimerConnectTimer(asensDig);
    EXPECT_EQ(view.connectState, "not connected");
    EXPECT_EQ(LitIndicators(),
              "rbEML rbOFC_READY rbCONV_READY rbELOAD_READY rbLOW_SPEED rbOTR_Y rbOTR_X");
}

}  // namespace
}  // namespace faults
