// The window fixture over the virtual chip that the build put beside the test executable: a
// fresh chip for each scenario, its scenario in the test's folder, and a clock of the test's
// own that the virtual magnet may follow.
#pragma once

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QString>
#include <chrono>
#include <cstdlib>
#include <string>

#include "chip/ASens_Digital.h"
#include "chip/UnitFTDI.h"
#include "sim/qx5520_sim.h"
#include "tests/ui/window_fixture.h"

namespace window_test {

/// The chip's pauses take no time. With turning set, each pause moves on the time the
/// virtual magnet follows instead of the wall clock, so the magnet turns as the reads add up.
class TestClock : public chip::Clock {
  public:
    void Sleep(std::chrono::milliseconds duration) override {
        now += static_cast<double>(duration.count()) / 1000;
    }
    static double Seconds() { return now; }
    static inline double now = 1000.0;
};

/// The few captions the tests look for, in English.
constexpr const char* kLanguage =
    "[Language]\nbtnStart=Start\nbtnStop=Stop\nvChipIdentified=identified\n"
    "vChipNotIdentified=\"not identified\"\nvChipNotConnected=\"not connected\"\n"
    "vNotDefined=unknown\nvChannelsFound=\"Channels: \"\n";

class VirtualChipWindow : public WindowTest {
  protected:
    void SetUp() override {
        WindowTest::SetUp();
        chip::LoadAdapterLibrary();  // the virtual chip beside this executable
        void* handle = ::dlopen(QX_SIM_LIBRARY, RTLD_NOW | RTLD_NOLOAD);
        ASSERT_NE(handle, nullptr) << QX_SIM_LIBRARY << " is not the library bound";
        reset_ = reinterpret_cast<QX5520Sim_Reset_t>(::dlsym(handle, "QX5520Sim_Reset"));
        setClock_ = reinterpret_cast<QX5520Sim_SetClock_t>(::dlsym(handle, "QX5520Sim_SetClock"));
        ASSERT_NE(reset_, nullptr);
        ASSERT_NE(setClock_, nullptr);
        Write("lang.eng", kLanguage);
        clock = &testClock_;
    }
    void TearDown() override {
        WindowTest::TearDown();
        ::unsetenv("QX5520_SIM");
        if (setClock_ != nullptr) setClock_(nullptr);
    }

    /// A fresh virtual chip with the scenario keys; turning: its magnet follows the test
    /// clock (from 1000 s) rather than the wall clock.
    void Use(const std::string& keys, bool turning = false) {
        Write("scenario.ini", "[sim]\nnoise=0\nrpm=0.5\n" + keys);
        ::setenv("QX5520_SIM", (dir_ / "scenario.ini").c_str(), 1);
        TestClock::now = 1000.0;
        setClock_(turning ? &TestClock::Seconds : nullptr);
        reset_();
    }

    /// Opens the window with the exchange switched on, as a user does before measuring (a
    /// window before it may have stored the switch on already).
    ui::TF_Face& OpenSwitchedOn() {
        Open();
        QCheckBox* exchange = Find<QCheckBox>("cbConnect");
        if (!exchange->isChecked()) exchange->click();
        return *window;
    }

  private:
    TestClock testClock_;
    QX5520Sim_Reset_t reset_ = nullptr;
    QX5520Sim_SetClock_t setClock_ = nullptr;
};

}  // namespace window_test
