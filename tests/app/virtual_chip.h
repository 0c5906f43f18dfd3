// Fixture: the virtual chip library beside the test executable, bound through the real
// adapter binding, with a scenario of the test's own and a fake clock. The chip's pauses
// take no time; the magnet follows the fake clock, so it turns only as the pauses add up
// (100 ms a register read), the same in every run.
// POSIX only: it reaches the loaded virtual chip through dlopen (the Windows build skips it).
#pragma once
#if !defined(_WIN32)
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/config/field_controls.h"
#include "app/config/param_groups.h"
#include "app/lang/language.h"
#include "chip/ASens_Digital.h"
#include "chip/UnitFTDI.h"
#include "chip/UnitSPI.h"
#include "sim/qx5520_sim.h"
#include "tests/fake_chip.h"

namespace app {

/// The chip's pauses, counted and added to the time the virtual magnet follows.
class TurningClock : public fake::Clock {
  public:
    void Sleep(std::chrono::milliseconds duration) override {
        fake::Clock::Sleep(duration);
        now += static_cast<double>(duration.count()) / 1000;
    }
    static double Seconds() { return now; }
    static inline double now = 1000.0;
};

class VirtualChip : public ::testing::Test {
  protected:
    // Binds the virtual chip with the scenario text; false when it cannot (the test fails).
    bool Start(const std::string& scenario) {
        namespace fs = std::filesystem;
        const fs::path library = chip::ExecutablePath().parent_path() / chip::AdapterLibraryName();
        if (!fs::exists(library)) return false;
        scenarioPath_ = fs::temp_directory_path() /
                        ("regs_sim_" + std::to_string(::getpid()) + "_" +
                         ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".ini");
        std::ofstream(scenarioPath_) << "[sim]\n" << scenario;
        ::setenv("QX5520_SIM", scenarioPath_.c_str(), 1);
        if (!chip::BindAdapterLibrary(library)) return false;
        void* handle = ::dlopen(library.c_str(), RTLD_NOW | RTLD_NOLOAD);
        if (handle == nullptr) return false;
        auto reset = reinterpret_cast<QX5520Sim_Reset_t>(::dlsym(handle, "QX5520Sim_Reset"));
        auto setClock =
            reinterpret_cast<QX5520Sim_SetClock_t>(::dlsym(handle, "QX5520Sim_SetClock"));
        if (reset == nullptr || setClock == nullptr) return false;
        TurningClock::now = 1000.0;
        setClock(&TurningClock::Seconds);
        reset();  // read this test's scenario, chip at power-up
        dig_.Init();
        return true;
    }
    void TearDown() override {
        ::unsetenv("QX5520_SIM");
        if (!scenarioPath_.empty()) std::filesystem::remove(scenarioPath_);
    }

    std::filesystem::path scenarioPath_;
    TurningClock clock_;
    chip::Adapter channel_;
    chip::TASensDig dig_{channel_, clock_};
    HeadlessFieldControls controls_;
    HeadlessBusyMessage busy_;
    LanguageTexts texts_;
};

}  // namespace app
#endif  // !defined(_WIN32)
